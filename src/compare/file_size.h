// The size probe: the byte count of a regular file that can be opened for reading.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace parlowen::FileSize {

struct SizeProbe
{
    std::int64_t size = 0;
    int error = 0; // errno of the failed open; 0 when the size is valid
    bool ok() const { return error == 0; }
};

// Probes the file at the path. FIFOs, sockets and devices are never opened: they fail with
// EINVAL, folders with EISDIR.
SizeProbe FileSizeOf(const std::string& path);

// The size that a stat already read gives, without opening the file: a regular file this
// process may read. The permission bits settle that for root and for the file's owner; for
// anyone else an ACL may grant or deny what the bits say, so the kernel is asked about the
// entry name in the open folder folderFd. reader is this process's effective user id, read
// once per scan.
SizeProbe sizeFromStat(const struct stat& info, uid_t reader, int folderFd, const char* name);

} // namespace parlowen::FileSize
