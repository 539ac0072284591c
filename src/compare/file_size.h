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

// The size that a stat already read gives, without opening the file: a regular file whose
// permission bits let this process read it.
SizeProbe sizeFromStat(const struct stat& info);

} // namespace parlowen::FileSize
