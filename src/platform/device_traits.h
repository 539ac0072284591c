// What a target device can do, worked out once per device before the first copy onto it.
#pragma once

#include <cstdint>
#include <string>

namespace parlowen {

struct DeviceTraits
{
    std::uint64_t device = 0;
    std::string mountPoint;       // where its file system is mounted, as people know the device
    bool fatNames = false;        // FAT or exFAT: refuses some characters Linux names allow
    bool caseInsensitive = false; // names that differ only in capitals are one name
    bool flushPerFile = false;    // FUSE promises only what its own fsync of each file does
    bool readOnly = false;
    std::int64_t allocationUnit = 1; // every file takes whole units of this many bytes
    // Learned while copying, when the device first refuses them.
    bool noReplaceRename = true;
    bool settableTimes = true;
};

// The bytes a file of this size takes on the device: whole allocation units.
inline std::int64_t bytesOnDevice(std::int64_t size, const DeviceTraits& traits)
{
    const std::int64_t unit = traits.allocationUnit > 0 ? traits.allocationUnit : 1;
    return size <= 0 ? 0 : (size + unit - 1) / unit * unit;
}

} // namespace parlowen
