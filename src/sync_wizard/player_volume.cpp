// Files on players that speak MTP.
#include "sync_wizard/player_volume.h"

#include "sync_wizard/player_copy.h"
#include "sync_wizard/player_names.h"

#include <algorithm>
#include <functional>

namespace parlowen {
namespace {

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

PlayerVolume::PlayerVolume(MtpDevices& devices, const SyncRoots& roots, bool createFolders,
                           std::string missingHint)
    : m_folders(devices, roots), m_journal(devices.journalPath), m_createFolders(createFolders),
      m_missingHint(std::move(missingHint)), m_mark(runMark())
{
}

void PlayerVolume::firstUseOf(MtpDevice& device)
{
    if (std::find(m_used.begin(), m_used.end(), device.host()) != m_used.end())
        return;
    m_used.push_back(device.host());
    for (auto& sentence : clearUnfinishedUploads(device, m_journal))
        m_notes.push_back(std::move(sentence));
    m_notes.push_back("The player " + device.host() +
                      " keeps its own file times: the copies on it show when they were sent, "
                      "and Compare shows them \"OK\" while their sizes agree.");
}

void PlayerVolume::overwritesInPlace(MtpDevice& device)
{
    if (std::find(m_inPlace.begin(), m_inPlace.end(), device.host()) != m_inPlace.end())
        return;
    m_inPlace.push_back(device.host());
    m_notes.push_back("The player " + device.host() +
                      " cannot rename files: each overwrite there removed the old copy just "
                      "before the new one was sent.");
}

std::optional<TargetLook> PlayerVolume::look(const PlannedOperation& op)
{
    const PlayerFolder& found = m_folders.find(folderOf(op.OpTargetPath));
    if (!found.problem.empty())
        return std::nullopt;
    // A player's storage among the devices: keys no drive's device number takes.
    return TargetLook{.device = std::hash<std::string>{}(found.where) | (std::uint64_t(1) << 63),
                      .where = found.where,
                      .freeBytes = found.freeBytes,
                      .toMake = found.missing,
                      .overwritesInPlace = found.device->renames() == false};
}

StepFailure PlayerVolume::open(const PlannedOperation& op, std::unique_ptr<SourceFile>& source)
{
    PlayerFolder& folder = m_folders.find(folderOf(op.OpSourcePath));
    if (!folder.problem.empty())
        return failedPlainly(folder.problem);
    const MtpObject* found = nullptr;
    if (folder.missing.empty()) {
        if (auto e = m_folders.list(folder))
            return playerFailure(*folder.device, e, "looking at the source's folder");
        found = fileNamed(*folder.objects, nameOf(op.OpSourcePath));
    }
    if (!found)
        return failedPlainly("the source is no longer on the player, so nothing was copied");
    source = std::make_unique<PlayerSource>(folder.device, *found);
    return {};
}

StepFailure PlayerVolume::create(const PlannedOperation& op, std::size_t,
                                 std::unique_ptr<NewFile>& file)
{
    const std::string name = nameOf(op.OpTargetPath);
    PlayerFolder& folder = m_folders.find(folderOf(op.OpTargetPath));
    if (!folder.problem.empty())
        return failedPlainly(folder.problem);
    if (!folder.missing.empty()) {
        if (!m_createFolders)
            return failedPlainly("the folder " + folder.missing.front() +
                                 " does not exist on the player; " + m_missingHint);
        if (auto refused = m_folders.make(folder); !refused.empty())
            return failedPlainly(refused);
    }
    firstUseOf(*folder.device);
    if (auto e = m_folders.list(folder))
        return playerFailure(*folder.device, e, "looking at the target folder");
    std::optional<MtpObject> old;
    if (!isOverwrite(op)) {
        if (folder.answersTo(name))
            return failedPlainly("a file of this name already exists on the player");
    } else {
        const MtpObject* seen = fileNamed(*folder.objects, name);
        if (!seen || (op.seenTargetSize && seen->size != *op.seenTargetSize))
            return failedPlainly("the file changed since Compare, so it was left as it is");
        old = *seen;
    }
    file = std::make_unique<PlayerCopy>(*this, folder, op, std::move(old));
    return {};
}


} // namespace parlowen
