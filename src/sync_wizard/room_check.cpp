// Whether a plan fits on its target devices.
#include "sync_wizard/room_check.h"

#include "sync_wizard/volumes.h"
#include "sync_wizard/player_names.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

namespace parlowen {
namespace {

struct DeviceNeed
{
    std::int64_t net = 0;
    std::int64_t largestOverwrite = 0;
};

} // namespace

RoomFacts lookAtRoom(const ResultStore& plan, FileOps& files, const SyncRoots& roots,
                     MtpDevices* devices)
{
    RoomFacts facts;
    const CarryOutControl control{.roots = roots, .devices = devices};
    Volumes volumes(files, control);
    std::map<std::string, std::string> inPlace; // folders whose overwrites go in place, by device
    for (const auto& op : plan) {
        const std::string folder = folderOf(op.OpTargetPath);
        auto [known, first] = facts.folders.try_emplace(folder);
        if (first) {
            const auto look = volumes.of(op.target).look(op);
            if (!look)
                continue; // fails on its own
            facts.devices.try_emplace(look->device, RoomFacts::Device{look->where,
                                                                      look->allocationUnit,
                                                                      look->freeBytes});
            known->second.device = look->device;
            known->second.toMake = look->toMake;
            if (look->overwritesInPlace)
                inPlace[folder] = look->where;
        }
        if (const auto at = inPlace.find(folder); at != inPlace.end() && isOverwrite(op))
            facts.overwriteInPlace.insert(at->second);
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
        const std::int64_t size = bytesOnDevice(bytesWritten(op), unit);
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
