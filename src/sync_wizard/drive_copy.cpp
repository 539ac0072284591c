// Copies on drives.
#include "sync_wizard/drive_copy.h"

#include "sync_wizard/drive_volume.h"
#include "sync_wizard/player_names.h"

namespace parlowen {
namespace {

// Small enough that a stop is honoured within a second on a slow USB stick.
constexpr std::int64_t kChunk = 2 << 20;
// What may be on its way to the device at once: enough to keep it busy, little enough to be
// written out within half a second of a stop even on a USB 2.0 stick.
constexpr std::int64_t kInFlight = 8 << 20;

// Devices that cannot keep file times say so in one of these ways.
bool timesNotKept(const std::error_code& error)
{
    return error == std::errc::not_supported || error == std::errc::operation_not_supported ||
           error == std::errc::function_not_supported ||
           error == std::errc::operation_not_permitted;
}

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

bool sameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

StepFailure DriveSource::unchanged(std::int64_t read)
{
    // A source rewritten, cut short or grown while it was read would leave a copy that mixes
    // two versions, or holds only part of one.
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

StepFailure DriveCopy::removeBeside(const std::string& name, std::int64_t size)
{
    const auto there = m_files.factsIn(m_folder->opened, name);
    if (there.error)
        return failed(there.error, "looking at the older copy");
    if (!there.value)
        return {}; // gone already
    if (there.value->size != size)
        return failedPlainly("it is not the copy Parlowen made, so it was left as it is");
    if (const auto error = m_files.removeIn(m_folder->opened, name))
        return failed(error, "removing the older copy");
    return {};
}

DriveCopy::DriveCopy(DriveVolume& volume, const PlannedOperation& op,
                     std::shared_ptr<TargetFolder> folder)
    : m_volume(volume), m_files(volume.m_files), m_op(op), m_folder(std::move(folder)),
      m_targetName(nameOf(op.OpTargetPath))
{
}

DriveCopy::~DriveCopy()
{
    if (!m_temporary.empty()) {
        m_out.close();
        m_files.removeIn(m_folder->opened, m_temporary);
    }
}

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

} // namespace parlowen
