// Which kind of file system a folder lies on, as far as its rules for names matter.
#pragma once

#include <string>

namespace parlowen {

// True when the folder lies on FAT (vfat, msdos) or exFAT, through the kernel or through FUSE,
// whose names refuse characters that Linux names allow. False when unknown.
bool onFatFileSystem(const std::string& folder);

// The file-system type of the mount entry whose device is major:minor in a mountinfo text
// ("fuseblk", "fuse.exfat", "ext4"), and its source; empty when none matches.
struct MountEntry
{
    std::string type;
    std::string source;
    std::string mountPoint;
};
MountEntry mountEntryOf(const std::string& mountInfo, unsigned major, unsigned minor);

// Where the file system holding the folder is mounted; the folder itself when unknown.
std::string mountPointOf(const std::string& folder);

// True when the first sector of a volume is an exFAT or FAT boot sector.
bool isFatBootSector(const std::string& sector);

} // namespace parlowen
