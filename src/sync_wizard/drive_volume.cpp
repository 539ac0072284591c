// Files on drives.
#include "sync_wizard/drive_volume.h"

#include "sync_wizard/player_names.h"

#include <utility>

namespace parlowen {
namespace {

// Small enough that a stop is honoured within a second on a slow USB stick.
constexpr std::int64_t kChunk = 2 << 20;
// What may be on its way to the device at once: enough to keep it busy, little enough to be
// written out within half a second of a stop even on a USB 2.0 stick.
constexpr std::int64_t kInFlight = 8 << 20;

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

bool sameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Devices that cannot keep file times say so in one of these ways.
bool timesNotKept(const std::error_code& error)
{
    return error == std::errc::not_supported || error == std::errc::operation_not_supported ||
           error == std::errc::function_not_supported ||
           error == std::errc::operation_not_permitted;
}

class DriveSource final : public SourceFile
{
public:
    DriveSource(FileOps& files, OpenedSource opened) : m_files(files), m_opened(std::move(opened)) {}

    const FileFacts& facts() const override { return m_opened.facts; }
    int fd() const override { return m_opened.fd.get(); }
    StepFailure copyInto(int, const std::stop_token&, const BytesTold&) override
    {
        return failedPlainly("a drive's file is read through its descriptor");
    }
    StepFailure unchanged(std::int64_t read) override
    {
        // A source rewritten, cut short or grown while it was read would leave a copy that
        // mixes two versions, or holds only part of one.
        const auto now = m_files.factsOfOpen(m_opened.fd);
        if (now.error)
            return failed(now.error, "reading the source");
        const FileFacts& before = m_opened.facts;
        if (read != before.size || now.value.size != before.size ||
            !sameTime(now.value.modified, before.modified) ||
            !sameTime(now.value.changed, before.changed))
            return failedPlainly("the source changed while it was copied");
        return {};
    }
    const UniqueFd& descriptor() const { return m_opened.fd; }

private:
    FileOps& m_files;
    OpenedSource m_opened;
};

} // namespace

// A copy into a hidden temporary in the target's folder, renamed into place once flushed.
class DriveCopy final : public NewFile
{
public:
    DriveCopy(DriveVolume& volume, const PlannedOperation& op, std::shared_ptr<TargetFolder> folder)
        : m_volume(volume), m_files(volume.m_files), m_op(op), m_folder(std::move(folder)),
          m_targetName(nameOf(op.OpTargetPath))
    {
    }
    ~DriveCopy() override
    {
        if (!m_temporary.empty()) {
            m_out.close();
            m_files.removeIn(m_folder->opened, m_temporary);
        }
    }
    DriveCopy(const DriveCopy&) = delete;
    DriveCopy& operator=(const DriveCopy&) = delete;

    StepFailure write(SourceFile& source, const std::stop_token& stop,
                      const BytesTold& copied) override;
    StepFailure finish() override;
    StepFailure place() override;
    std::int64_t size() const override { return m_facts.size; }
    bool timesRefused() const override { return m_timesRefused; }

    const TargetFolder& folder() const { return *m_folder; }
    std::shared_ptr<const TargetFolder> sharedFolder() const { return m_folder; }
    const UniqueFd& output() const { return m_out; }
    StepFailure folderStillThere();

private:
    StepFailure createTemporary();
    StepFailure copyFrom(const UniqueFd& in, const std::stop_token& stop, const BytesTold& copied);
    StepFailure placeNew();
    StepFailure targetStillAsSeen();

    DriveVolume& m_volume;
    FileOps& m_files;
    const PlannedOperation& m_op;
    std::shared_ptr<TargetFolder> m_folder;
    std::string m_targetName;
    FileFacts m_facts; // the source's, carried to the copy
    UniqueFd m_out;
    std::string m_temporary; // its name in the folder; removed unless it became the target
    bool m_timesRefused = false;
};

StepFailure DriveCopy::folderStillThere()
{
    // Once a batch: its copies are written through the folder opened, so they can only land
    // where it was, and each is placed only after the batch's look.
    if (m_folder->lookedInRound == m_volume.m_round && m_folder->refusal.empty())
        return {};
    if (stillThere(m_files, *m_folder, folderOf(m_op.OpTargetPath))) {
        m_folder->lookedInRound = m_volume.m_round;
        return {};
    }
    return failedPlainly(m_folder->refusal);
}

StepFailure DriveCopy::createTemporary()
{
    const std::string temporary = temporaryNameFor(m_targetName, m_volume.m_mark);
    auto created = m_files.createIn(m_folder->opened, temporary);
    if (created.error)
        return failed(created.error, "creating the copy in " + folderOf(m_op.OpTargetPath));
    m_out = std::move(created.value);
    m_temporary = temporary;
    return {};
}

StepFailure DriveCopy::write(SourceFile& source, const std::stop_token& stop,
                             const BytesTold& copied)
{
    m_facts = source.facts();
    if (auto refused = createTemporary())
        return refused;
    if (auto* onDrive = dynamic_cast<DriveSource*>(&source))
        return copyFrom(onDrive->descriptor(), stop, copied);
    if (auto failure = source.copyInto(m_out.get(), stop, copied))
        return failure;
    const auto written = m_files.factsOfOpen(m_out);
    if (written.error)
        return failed(written.error, "copying");
    if (written.value.size != m_facts.size)
        return failedPlainly("the player sent " + std::to_string(written.value.size) + " of the " +
                             std::to_string(m_facts.size) + " bytes, so nothing was copied");
    return {};
}

StepFailure DriveCopy::copyFrom(const UniqueFd& in, const std::stop_token& stop,
                                const BytesTold& copied)
{
    std::int64_t written = 0;
    std::int64_t started = 0; // written up to here is on its way to the device
    std::int64_t settled = 0; // and up to here it is there
    for (;;) {
        if (stop.stop_requested())
            return failed(std::make_error_code(std::errc::operation_canceled), "copying");
        const auto chunk = m_files.copyChunk(in, m_out, kChunk);
        if (chunk.error)
            return failed(chunk.error, "copying");
        if (chunk.value == 0)
            break;
        written += static_cast<std::int64_t>(chunk.value);
        // A large file goes to the device while it is written, a few chunks behind: the device
        // stays busy, the progress is true, and a stop leaves little in flight.
        if (written - started >= kChunk) {
            m_files.startWriteBack(m_out, started, written - started);
            started = written;
            if (started - settled > kInFlight) {
                m_files.waitWriteBack(m_out, settled, started - kInFlight - settled);
                settled = started - kInFlight;
            }
        }
        if (copied)
            copied(written);
    }
    if (written != m_facts.size)
        return failedPlainly("the source changed while it was copied");
    return {};
}

StepFailure DriveCopy::finish()
{
    DeviceTraits& traits = *m_folder->traits;
    if (!traits.settableTimes)
        return {};
    const auto e = m_files.setTimes(m_out, m_facts.accessed, m_facts.modified);
    if (e && timesNotKept(e)) {
        traits.settableTimes = false;
        m_timesRefused = true;
        m_volume.timesRefusedOn(*m_folder);
        return {};
    }
    if (e)
        return failed(e, "writing the copy to the device");
    return {};
}

StepFailure DriveCopy::place()
{
    if (auto e = m_out.close())
        return failed(e, "writing the copy to the device");
    if (auto gone = folderStillThere())
        return gone;
    if (!isOverwrite(m_op)) {
        if (auto failure = placeNew())
            return failure;
    } else {
        if (auto failure = targetStillAsSeen())
            return failure;
        if (auto e =
                m_files.renameIn(m_folder->opened, m_temporary, m_targetName, RenameMode::Replace))
            return failed(e, "replacing the target");
    }
    m_temporary.clear();
    return {};
}

StepFailure DriveCopy::placeNew()
{
    DeviceTraits& traits = *m_folder->traits;
    std::error_code e;
    if (traits.noReplaceRename) {
        e = m_files.renameIn(m_folder->opened, m_temporary, m_targetName, RenameMode::NoReplace);
        if (e == std::errc::invalid_argument || e == std::errc::function_not_supported ||
            e == std::errc::operation_not_supported)
            traits.noReplaceRename = false; // some FUSE file systems refuse the flag
    }
    if (!traits.noReplaceRename) {
        // A look-up of the name (which a FAT file system answers whatever the capitals) right
        // before a plain rename.
        const auto there = m_files.factsIn(m_folder->opened, m_targetName);
        if (there.error)
            e = there.error;
        else if (there.value)
            e = std::make_error_code(std::errc::file_exists);
        else
            e = m_files.renameIn(m_folder->opened, m_temporary, m_targetName, RenameMode::Replace);
    }
    if (e == std::errc::file_exists)
        return failedPlainly("a file of this name already exists on this side (its file "
                             "system may not tell capitals from small letters)");
    if (e)
        return failed(e, "putting the copy in place");
    return {};
}

StepFailure DriveCopy::targetStillAsSeen()
{
    const auto now = m_files.factsIn(m_folder->opened, m_targetName);
    if (now.error)
        return failed(now.error, "looking at the target");
    const bool changed =
        !now.value || (m_op.seenTargetSize && now.value->size != *m_op.seenTargetSize) ||
        (m_op.seenTargetModified && now.value->modified.tv_sec != *m_op.seenTargetModified);
    if (changed)
        return failedPlainly("the file changed since Compare, so it was left as it is");
    return {};
}

DriveVolume::DriveVolume(FileOps& files, bool createFolders, const SyncRoots& roots,
                         std::string missingHint)
    : m_files(files), m_targets(files, createFolders, roots, std::move(missingHint)),
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
