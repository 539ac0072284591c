// Which kind of file system a folder lies on, and so what its device can do.
#pragma once

#include "platform/device_traits.h"

#include <string>
#include <system_error>

namespace parlowen {

// The traits of the device an open folder lies on: FAT (vfat, msdos) or exFAT, through the
// kernel or through FUSE, has FAT names and one name whatever the capitals; FUSE is flushed
// file by file; the allocation unit is the file system's fragment size.
std::error_code readDeviceTraits(int folderFd, DeviceTraits& traits);

// The file-system type of the mount entry whose device is major:minor in a mountinfo text
// ("fuseblk", "fuse.exfat", "ext4"), and its source; empty when none matches.
struct MountEntry
{
    std::string type;
    std::string source;
    std::string mountPoint;
};
MountEntry mountEntryOf(const std::string& mountInfo, unsigned major, unsigned minor);

// True when the first sector of a volume is an exFAT or FAT boot sector.
bool isFatBootSector(const std::string& sector);

} // namespace parlowen
