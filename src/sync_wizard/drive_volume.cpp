// Files on drives.
#include "sync_wizard/drive_volume.h"

#include "sync_wizard/drive_copy.h"
#include "sync_wizard/player_names.h"

#include <algorithm>
#include <utility>

namespace parlowen {
namespace {

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

DriveVolume::DriveVolume(FileOps& files, bool createFolders, const SyncRoots& roots,
                         std::string missingHint)
    : m_files(files), m_roots(roots), m_targets(files, createFolders, roots, std::move(missingHint)),
      m_mark(runMark())
{
}

void DriveVolume::begin(const ResultStore& plan, const std::stop_token& stop,
                        const std::function<void(std::size_t, std::size_t)>& told)
{
    // The target folders in the order of their first operations, and each one's last
    // operation, so it is let go right after.
    std::vector<std::string> inOrder;
    std::map<std::string, std::size_t> last;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].target.on != Place::On::Drive)
            continue;
        const std::string folder = folderOf(plan[i].OpTargetPath);
        if (last.insert_or_assign(folder, i).second)
            inOrder.push_back(folder);
    }
    for (const auto& [folder, index] : last)
        m_lastUse[index] = folder;
    m_targets.enterAhead(inOrder, stop, told);
}

StepFailure DriveVolume::open(const PlannedOperation& op, std::unique_ptr<SourceFile>& source)
{
    auto opened = m_files.openSource(op.OpSourcePath);
    if (opened.error)
        return failed(opened.error, "opening the source");
    source = std::make_unique<DriveSource>(m_files, std::move(opened.value));
    return {};
}

StepFailure DriveVolume::create(const PlannedOperation& op, std::size_t,
                                std::unique_ptr<NewFile>& file)
{
    auto folder = m_targets.enter(folderOf(op.OpTargetPath));
    if (!folder->refusal.empty())
        return failedPlainly(folder->refusal);
    if (folder->traits->fatNames) {
        if (std::string problem = fatNameProblem(nameOf(op.OpTargetPath)); !problem.empty())
            return failedPlainly(problem);
    }
    auto copy = std::make_unique<DriveCopy>(*this, op, std::move(folder));
    if (auto gone = copy->folderStillThere())
        return gone;
    file = std::move(copy);
    return {};
}

std::optional<TargetLook> DriveVolume::look(const PlannedOperation& op)
{
    // The folder, or the nearest one above it that exists but not above its side's root: a
    // folder a copy makes lies on the device of its parent.
    std::string folder = folderOf(op.OpTargetPath);
    const auto side = sideHolding(folder, m_roots);
    const std::size_t rootSize = std::max<std::size_t>(
        side ? (*side == Side::Left ? m_roots.left : m_roots.right).size() : 0, 1);
    std::vector<std::string> toMake;
    auto opened = m_files.openFolder(folder);
    while (opened.error == std::errc::no_such_file_or_directory && folder.size() > rootSize) {
        toMake.push_back(folder);
        folder = folderOf(folder.substr(0, folder.size() - 1));
        opened = m_files.openFolder(folder);
    }
    if (opened.error)
        return std::nullopt;
    auto [known, first] = m_looked.try_emplace(opened.value.identity.device);
    if (first) {
        auto traits = m_files.traitsOf(opened.value);
        if (!traits.error) {
            const auto room = m_files.freeBytesOn(opened.value);
            const std::string& where = traits.value.mountPoint;
            known->second = TargetLook{
                .device = opened.value.identity.device,
                .where = where.empty() ? folder : where,
                .allocationUnit = traits.value.allocationUnit,
                .freeBytes = room.error ? std::nullopt : std::optional(room.value)};
        }
    }
    if (!known->second)
        return std::nullopt;
    TargetLook look = *known->second;
    look.toMake = std::move(toMake);
    return look;
}

void DriveVolume::passed(std::size_t index)
{
    if (const auto at = m_lastUse.find(index); at != m_lastUse.end())
        m_targets.leave(at->second);
}

std::error_code DriveVolume::settle(const std::vector<NewFile*>& files)
{
    ++m_round; // the folders are looked at again before the copies are placed
    // One flush of a whole device where that is cheaper than one per file; FUSE devices only
    // promise what their own fsync of each file does.
    std::map<std::uint64_t, const UniqueFd*> wholeDevices;
    for (NewFile* file : files) {
        const auto& copy = static_cast<const DriveCopy&>(*file);
        const DeviceTraits& traits = *copy.folder().traits;
        if (files.size() > 1 && !traits.flushPerFile) {
            wholeDevices.emplace(traits.device, &copy.output());
            continue;
        }
        if (auto e = m_files.flushFile(copy.output()))
            return e;
    }
    std::set<std::uint64_t> flushed;
    for (const auto& [device, fd] : wholeDevices) {
        if (auto e = m_files.flushDevice(*fd))
            return e;
        flushed.insert(device);
    }
    settlePlaced(flushed);
    return {};
}

std::vector<FolderFailure> DriveVolume::settleFolders(const std::vector<NewFile*>& placed)
{
    // The renames are on the device once their folders are. A batch into many folders is
    // brought there by the next batch's flush of the whole device (a journal commit per folder
    // would cost more than the copies); a folder on a FUSE device, or alone, is flushed now.
    std::map<std::uint64_t, std::set<const TargetFolder*>> byDevice;
    for (NewFile* file : placed) {
        const auto& copy = static_cast<const DriveCopy&>(*file);
        byDevice[copy.folder().traits->device].insert(&copy.folder());
        m_unsettled.emplace(&copy.folder(), copy.sharedFolder());
    }
    for (const auto& [device, folders] : byDevice) {
        if (folders.size() == 1 || (*folders.begin())->traits->flushPerFile)
            settlePlaced({});
    }
    return std::move(m_folderFailures);
}

std::vector<FolderFailure> DriveVolume::finish()
{
    settlePlaced({});
    return std::move(m_folderFailures);
}

void DriveVolume::settlePlaced(const std::set<std::uint64_t>& flushedDevices)
{
    std::map<std::uint64_t, std::vector<const TargetFolder*>> byDevice;
    for (const auto& [folder, held] : m_unsettled) {
        if (!flushedDevices.contains(folder->traits->device))
            byDevice[folder->traits->device].push_back(folder);
    }
    for (const auto& [device, folders] : byDevice) {
        const TargetFolder& any = *folders.front();
        if (folders.size() > 1 && !any.traits->flushPerFile) {
            if (auto e = m_files.flushDevice(any.opened.fd)) {
                for (const TargetFolder* folder : folders)
                    m_folderFailures.push_back(
                        {folder->path, failed(e, "flushing the folder to the device").reason()});
            }
            continue;
        }
        for (const TargetFolder* folder : folders) {
            if (auto e = m_files.syncFolder(folder->opened))
                m_folderFailures.push_back(
                    {folder->path, failed(e, "flushing the folder to the device").reason()});
        }
    }
    m_unsettled.clear();
}

bool DriveVolume::worthRetry(const StepFailure& failure, const NewFile* file) const
{
    // Case twins share one temporary name where capitals do not count.
    const auto* copy = dynamic_cast<const DriveCopy*>(file);
    return failure.error == std::errc::no_space_on_device ||
           (failure.error == std::errc::file_exists && copy &&
            copy->folder().traits->caseInsensitive);
}

void DriveVolume::timesRefusedOn(const TargetFolder& folder)
{
    if (!m_timesNoted.insert(folder.traits->device).second)
        return;
    const std::string& where =
        folder.traits->mountPoint.empty() ? folder.path : folder.traits->mountPoint;
    m_notes.push_back("The device at " + where +
                      " does not keep file times: the copies on it carry the time they were "
                      "made, so the next Compare shows them as newer.");
}

std::vector<std::string> DriveVolume::takeNotes()
{
    return std::move(m_notes);
}


} // namespace parlowen
