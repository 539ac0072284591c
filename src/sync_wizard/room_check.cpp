// Whether a plan fits on its target devices.
#include "sync_wizard/room_check.h"

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
    OpenedFolder folder; // any target folder on the device, to ask for its room
    std::string folderPath;
    DeviceTraits traits;
    std::int64_t net = 0;
    std::int64_t largestOverwrite = 0;
};

std::int64_t sourceSize(const PlannedOperation& op, FileOps& files)
{
    if (op.sourceSize)
        return *op.sourceSize;
    const auto opened = files.openSource(op.OpSourcePath);
    return opened.error ? 0 : opened.value.facts.size;
}

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
    std::size_t size = 1;
    for (const std::string* root : {&roots.left, &roots.right}) {
        if (!root->empty() && path.starts_with(*root))
            size = std::max(size, root->size());
    }
    return size;
}

} // namespace

std::vector<Shortfall> roomShortfalls(const ResultStore& plan, FileOps& files, bool foldersMade,
                                      const SyncRoots& roots)
{
    std::map<std::string, std::optional<std::uint64_t>> deviceOfFolder; // none: fails on its own
    std::map<std::uint64_t, DeviceNeed> needs;
    std::set<std::string> toMake;
    for (const auto& op : plan) {
        const std::string folder = folderOf(op.OpTargetPath);
        auto known = deviceOfFolder.find(folder);
        if (known == deviceOfFolder.end()) {
            std::vector<std::string> missing;
            auto opened = foldersMade ? openNearest(files, folder, rootSizeOf(folder, roots), missing)
                                      : files.openFolder(folder);
            std::optional<std::uint64_t> device;
            if (!opened.error) {
                device = opened.value.identity.device;
                if (!needs.contains(*device)) {
                    auto traits = files.traitsOf(opened.value);
                    if (traits.error)
                        device.reset();
                    else
                        needs[*device] = {std::move(opened.value), folder, std::move(traits.value)};
                }
            }
            known = deviceOfFolder.emplace(folder, device).first;
            // Each folder made takes a unit of its device (a cluster of FAT or exFAT).
            if (device) {
                for (const std::string& made : missing) {
                    if (toMake.insert(made).second)
                        needs[*device].net += needs[*device].traits.allocationUnit;
                }
            }
        }
        if (!known->second)
            continue;
        DeviceNeed& need = needs[*known->second];
        const std::int64_t size = bytesOnDevice(sourceSize(op, files), need.traits);
        if (op.OpReplacedPath.empty()) {
            need.net += size;
        } else {
            need.net += size - bytesOnDevice(op.seenTargetSize.value_or(0), need.traits);
            need.largestOverwrite = std::max(need.largestOverwrite, size);
        }
    }
    std::vector<Shortfall> shortfalls;
    for (const auto& [device, need] : needs) {
        const std::int64_t needed = std::max(need.net, need.largestOverwrite);
        if (needed <= 0)
            continue;
        const auto room = files.freeBytesOn(need.folder);
        const std::string& where = need.traits.mountPoint;
        if (!room.error && room.value < needed)
            shortfalls.push_back({where.empty() ? need.folderPath : where, needed, room.value});
    }
    return shortfalls;
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
