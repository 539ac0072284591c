// Whether a plan fits on the devices it writes to, checked before anything is touched.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "platform/mtp_device.h"
#include "sync_wizard/choices.h"

#include <cstdint>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

namespace parlowen {

// A device the plan does not fit on.
struct Shortfall
{
    std::string mountPoint;
    std::int64_t needed = 0;
    std::int64_t free = 0;
};

// What the room check needs to know of the target folders and their devices, read once: it
// may wait on a slow device, so the window reads it off its thread.
struct RoomFacts
{
    struct Folder
    {
        std::optional<std::uint64_t> device; // of the folder or the parent it is made in
        std::vector<std::string> toMake;     // the folders to make for it, deepest first
    };
    struct Device
    {
        std::string where; // its mount point, as people know the device
        std::int64_t allocationUnit = 1;
        std::optional<std::int64_t> freeBytes;
    };
    std::map<std::string, Folder> folders; // by target folder
    std::map<std::uint64_t, Device> devices;
    // The players the plan overwrites on that cannot rename ("mtp://HOST/STORAGE").
    std::set<std::string> overwriteInPlace;
};

// Looks at every target folder of the plan and its device, never above its side's root; the
// folders of players through devices.
RoomFacts lookAtRoom(const ResultStore& plan, FileOps& files, const SyncRoots& roots = {},
                     MtpDevices* devices = nullptr);

// The same check on facts read before, without a look at the disk.
std::vector<Shortfall> roomShortfalls(const ResultStore& plan, const RoomFacts& facts,
                                      bool foldersMade);

// Adds up what the plan writes to each target device, each file in whole allocation units of
// that device: a copy needs its source's units; an overwrite needs the new units less the old
// in the end, and the largest new file must fit beside its old one while it is written. An
// exact fit fits. One look at the free space per device.
// A copy into a folder that does not exist counts only when foldersMade (it fails otherwise);
// then each folder to be made counts one unit. No look climbs above the side's root.
std::vector<Shortfall> roomShortfalls(const ResultStore& plan, FileOps& files,
                                      bool foldersMade = false, const SyncRoots& roots = {},
                                      MtpDevices* devices = nullptr);

// What the wizard says before OK of players that cannot rename, or "".
std::string overwriteInPlaceNote(const RoomFacts& facts);

// How many folders making the missing ones for the chosen operations makes, their parents
// counted.
std::size_t foldersToMake(const ResultStore& plan, const std::vector<bool>& chosen,
                          const RoomFacts& facts);

// The question asked when some device is short.
std::string roomQuestion(const std::vector<Shortfall>& shortfalls);

// A size in the units people read: bytes, kB, MB, GB or TB with one decimal.
std::string sizeText(std::int64_t bytes);

} // namespace parlowen
