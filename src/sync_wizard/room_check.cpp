// Whether a plan fits on its target devices.
#include "sync_wizard/room_check.h"

#include "sync_wizard/player_volume.h"
#include "sync_wizard/player_names.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace parlowen {
namespace {

// The folder, or the nearest one above it that exists but not above its side's root (a folder
// a copy is to make lies on the device of its parent); missing gets the folders to be made.
Outcome<OpenedFolder> openNearest(FileOps& files, std::string folder, std::size_t rootSize,
                                  std::vector<std::string>& missing)
{
    auto opened = files.openFolder(folder);
    while (opened.error == std::errc::no_such_file_or_directory && folder.size() > rootSize) {
        missing.push_back(folder);
        folder = folderOf(folder.substr(0, folder.size() - 1));
        opened = files.openFolder(folder);
    }
    return opened;
}

// How many bytes of the path are its side's root: no check climbs above it.
std::size_t rootSizeOf(const std::string& path, const SyncRoots& roots)
{
    const auto side = sideHolding(path, roots);
    const std::size_t size =
        !side ? 0 : (*side == Side::Left ? roots.left : roots.right).size();
    return std::max<std::size_t>(size, 1);
}

struct DeviceNeed
{
    std::int64_t net = 0;
    std::int64_t largestOverwrite = 0;
};

} // namespace

namespace {

// A player's storage among the devices: keys no drive's device number takes.
std::uint64_t playerKey(const std::string& where)
{
    return std::hash<std::string>{}(where) | (std::uint64_t(1) << 63);
}

void lookAtPlayerFolder(const PlannedOperation& op, PlayerFolders& players, RoomFacts& facts)
{
    const std::string folder = folderOf(op.OpTargetPath);
    const PlayerFolder& found = players.find(folder);
    if (!found.problem.empty())
        return; // fails on its own
    const std::uint64_t key = playerKey(found.where);
    facts.devices[key] = {found.where, 1, found.freeBytes};
    RoomFacts::Folder& known = facts.folders[folder];
    known.device = key;
    known.toMake = found.missing;
    if (isOverwrite(op) && found.device->renames() == false)
        facts.overwriteInPlace.insert(found.where);
}

} // namespace

RoomFacts lookAtRoom(const ResultStore& plan, FileOps& files, const SyncRoots& roots,
                     MtpDevices* devices)
{
    RoomFacts facts;
    std::optional<PlayerFolders> players;
    if (devices)
        players.emplace(*devices, roots);
    for (const auto& op : plan) {
        if (op.target.on == Place::On::Device) {
            if (players)
                lookAtPlayerFolder(op, *players, facts);
            continue;
        }
        const std::string folder = folderOf(op.OpTargetPath);
        if (facts.folders.contains(folder))
            continue;
        RoomFacts::Folder& known = facts.folders[folder];
        auto opened = openNearest(files, folder, rootSizeOf(folder, roots), known.toMake);
        if (opened.error)
            continue;
        const std::uint64_t device = opened.value.identity.device;
        if (!facts.devices.contains(device)) {
            auto traits = files.traitsOf(opened.value);
            if (traits.error)
                continue;
            const auto room = files.freeBytesOn(opened.value);
            const std::string& where = traits.value.mountPoint;
            facts.devices[device] = {where.empty() ? folder : where, traits.value.allocationUnit,
                                     room.error ? std::nullopt : std::optional(room.value)};
        }
        known.device = device;
    }
    return facts;
}

std::vector<Shortfall> roomShortfalls(const ResultStore& plan, const RoomFacts& facts,
                                      bool foldersMade)
{
    std::map<std::uint64_t, DeviceNeed> needs;
    std::set<std::string> toMake;
    for (const auto& op : plan) {
        const auto known = facts.folders.find(folderOf(op.OpTargetPath));
        if (known == facts.folders.end() || !known->second.device)
            continue; // fails on its own
        if (!known->second.toMake.empty() && !foldersMade)
            continue; // fails on its own: its folder is not made
        const auto& device = facts.devices.at(*known->second.device);
        DeviceTraits unit;
        unit.allocationUnit = device.allocationUnit;
        DeviceNeed& need = needs[*known->second.device];
        // Each folder made takes a unit of its device (a cluster of FAT or exFAT).
        for (const std::string& made : known->second.toMake) {
            if (toMake.insert(made).second)
                need.net += device.allocationUnit;
        }
        const std::int64_t size = bytesOnDevice(op.sourceSize.value_or(0), unit);
        if (!isOverwrite(op)) {
            need.net += size;
        } else {
            need.net += size - bytesOnDevice(op.seenTargetSize.value_or(0), unit);
            need.largestOverwrite = std::max(need.largestOverwrite, size);
        }
    }
    std::vector<Shortfall> shortfalls;
    for (const auto& [id, need] : needs) {
        const std::int64_t needed = std::max(need.net, need.largestOverwrite);
        const auto& device = facts.devices.at(id);
        if (needed > 0 && device.freeBytes && *device.freeBytes < needed)
            shortfalls.push_back({device.where, needed, *device.freeBytes});
    }
    return shortfalls;
}

std::vector<Shortfall> roomShortfalls(const ResultStore& plan, FileOps& files, bool foldersMade,
                                      const SyncRoots& roots, MtpDevices* devices)
{
    return roomShortfalls(plan, lookAtRoom(plan, files, roots, devices), foldersMade);
}

std::string overwriteInPlaceNote(const RoomFacts& facts)
{
    std::string note;
    for (const auto& where : facts.overwriteInPlace)
        note += (note.empty() ? "" : " ") + where +
                " cannot rename files: there an overwrite removes the old copy just before the "
                "new one is sent (the newer copy stays on the PC).";
    return note;
}

std::size_t foldersToMake(const ResultStore& plan, const std::vector<bool>& chosen,
                          const RoomFacts& facts)
{
    std::set<std::string> made;
    for (std::size_t i = 0; i < plan.size() && i < chosen.size(); ++i) {
        if (!chosen[i])
            continue;
        if (const auto known = facts.folders.find(folderOf(plan[i].OpTargetPath));
            known != facts.folders.end())
            made.insert(known->second.toMake.begin(), known->second.toMake.end());
    }
    return made.size();
}

std::string roomQuestion(const std::vector<Shortfall>& shortfalls)
{
    std::string text;
    for (const auto& s : shortfalls)
        text += "The copies need " + sizeText(s.needed) + " on " + s.mountPoint + ", which has " +
                sizeText(s.free) + " free. ";
    return text + "Copy anyway? Copies that do not fit will be listed as failed.";
}

std::string sizeText(std::int64_t bytes)
{
    if (bytes < 1000)
        return std::to_string(std::max<std::int64_t>(bytes, 0)) + " bytes";
    const char* units[] = {"kB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    // 999.96 kB would read "1000.0 kB": it is shown as the next unit.
    while (value >= 999.95 && unit + 1 < std::size(units)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

} // namespace parlowen
