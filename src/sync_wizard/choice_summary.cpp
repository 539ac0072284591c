// What the wizard says of the operations chosen.
#include "sync_wizard/choice_summary.h"

#include "platform/device_traits.h"
#include "platform/mtp_address.h"
#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"

#include "sync_wizard/player_names.h"

#include <algorithm>
#include <map>
#include <set>

namespace parlowen {

SideRoom sideRoom(FileOps& files, const std::string& folder)
{
    SideRoom room;
    room.folder =
        folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
    auto opened = files.openFolder(folder);
    if (opened.error)
        return room;
    if (const auto traits = files.traitsOf(opened.value); !traits.error)
        room.allocationUnit = traits.value.allocationUnit;
    if (const auto free = files.freeBytesOn(opened.value); !free.error)
        room.freeBytes = free.value;
    return room;
}

ChoiceSummary summarize(const ResultStore& plan, const std::vector<bool>& chosen,
                        const std::vector<bool>& missing, const SyncRoots& roots,
                        const std::array<SideRoom, 2>& rooms)
{
    struct Need
    {
        std::int64_t net = 0;
        std::int64_t largestOverwrite = 0;
        bool any = false;
    };
    std::array<Need, 2> needs;
    std::size_t count = 0;
    std::size_t intoMissing = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (!chosen[i])
            continue;
        ++count;
        intoMissing += missing[i];
        const PlannedOperation& op = plan[i];
        const auto side = static_cast<std::size_t>(targetSide(op, roots));
        DeviceTraits unit;
        unit.allocationUnit = rooms[side].allocationUnit;
        Need& need = needs[side];
        need.any = true;
        const std::int64_t size = bytesOnDevice(bytesWritten(op), unit);
        if (!isOverwrite(op)) {
            need.net += size;
        } else {
            need.net += size - bytesOnDevice(op.seenTargetSize.value_or(0), unit);
            need.largestOverwrite = std::max(need.largestOverwrite, size);
        }
    }
    ChoiceSummary summary;
    summary.chosen = "Chosen " + countText(count) + " of " + countText(plan.size());
    for (std::size_t side = 0; side < 2; ++side) {
        if (!needs[side].any)
            continue;
        const std::int64_t needed =
            std::max<std::int64_t>(std::max(needs[side].net, needs[side].largestOverwrite), 0);
        const SideRoom& room = rooms[side];
        // The room the side must have for the run, which is not what it copies: an overwrite
        // needs only what its new file has more than the old.
        SideLine line{"needs " + sizeText(needed) + " of room on " + room.folder};
        if (room.freeBytes) {
            line.text += " (" + sizeText(*room.freeBytes) + " free)";
            line.short_ = needed > *room.freeBytes;
        }
        summary.sides.push_back(line);
    }
    if (intoMissing > 0)
        summary.missingFolders = countText(intoMissing) + " into folders that do not exist";
    return summary;
}

WizardLook lookForWizard(const ResultStore& plan, FileOps& files, const SyncRoots& roots,
                         MtpDevices* devices)
{
    WizardLook look;
    look.room = lookAtRoom(plan, files, roots, devices);
    look.rooms = {sideRoom(files, roots.left), sideRoom(files, roots.right)};
    for (SideRoom& side : look.rooms) {
        const auto place = parseMtpAddress(side.folder);
        for (const auto& [key, device] : look.room.devices) {
            if (place && device.where == mtpAddress(place->host, place->storage))
                side.freeBytes = device.freeBytes;
        }
    }
    look.missing.resize(plan.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const auto folder = look.room.folders.find(folderOf(plan[i].OpTargetPath));
        look.missing[i] = folder != look.room.folders.end() && !folder->second.toMake.empty();
    }
    return look;
}

MissingFoldersQuestion missingFoldersQuestion(const ResultStore& plan,
                                              const std::vector<bool>& chosen,
                                              const std::vector<bool>& missing,
                                              const RoomFacts& facts)
{
    std::size_t copies = 0;
    std::set<std::string> folders;
    for (std::size_t i = 0; i < chosen.size() && i < missing.size(); ++i) {
        if (chosen[i] && missing[i]) {
            ++copies;
            folders.insert(folderOf(plan[i].OpTargetPath));
        }
    }
    if (copies == 0)
        return {};
    // Every folder that is made, parents too.
    const std::size_t toMake = foldersToMake(plan, chosen, facts);
    const std::string made =
        toMake == 1 ? "the missing folder" : "the " + countText(toMake) + " missing folders";
    const std::string those = copies == 1 ? "that copy" : "those " + countText(copies) + " copies";
    return {countText(copies) + (copies == 1 ? " chosen copy goes" : " chosen copies go") +
                " into " + (folders.size() == 1 ? "a folder" : countText(folders.size()) + " folders") +
                " that do" + (folders.size() == 1 ? "es" : "") + " not exist, so " +
                (copies == 1 ? "it" : "they") + " would fail. Make " + made + ", leave " + those +
                " out, or go back to the choice?",
            {"&Make " + made, "&Leave " + those + " out", "&Go back"}};
}

} // namespace parlowen
