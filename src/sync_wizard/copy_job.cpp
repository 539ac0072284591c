// One operation of a plan.
#include "sync_wizard/copy_job.h"

#include "platform/mtp_address.h"
#include "sync_wizard/player_names.h"

#include <utility>

namespace parlowen {
namespace {

// Small enough that a stop is honoured within a second on a slow USB stick.
constexpr std::int64_t kChunk = 2 << 20;
// What may be on its way to the device at once: enough to keep it busy, little enough to be
// written out within half a second of a stop even on a USB 2.0 stick.
constexpr std::int64_t kInFlight = 8 << 20;

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

} // namespace

CopyJob::CopyJob(FileOps& files, const PlannedOperation& op, std::size_t index,
                 std::shared_ptr<TargetFolder> folder, MtpDevices* devices)
    : m_files(files), m_devices(devices), m_op(op), m_index(index), m_folder(std::move(folder)),
      m_targetName(op.OpTargetPath.substr(op.OpTargetPath.rfind('/') + 1))
{
}

CopyJob::~CopyJob()
{
    if (!m_temporary.empty()) {
        m_out.close();
        m_files.removeIn(m_folder->opened, m_temporary);
    }
}

StepFailure CopyJob::folderStillThere()
{
    if (stillThere(m_files, *m_folder, folderOf(m_op.OpTargetPath)))
        return {};
    return failedPlainly(m_folder->refusal);
}

StepFailure CopyJob::copy(const std::stop_token& stop,
                          const std::function<void(std::int64_t)>& copied)
{
    if (auto gone = folderStillThere())
        return gone;
    if (m_op.source.on == Place::On::Device)
        return download(stop, copied);
    auto opened = m_files.openSource(m_op.OpSourcePath);
    if (opened.error)
        return failed(opened.error, "opening the source");
    m_source = std::move(opened.value);
    if (auto changed = sourceAsCompared())
        return changed;
    if (auto refused = createTemporary())
        return refused;
    std::int64_t written = 0;
    std::int64_t started = 0; // written up to here is on its way to the device
    std::int64_t settled = 0; // and up to here it is there
    for (;;) {
        if (stop.stop_requested())
            return failed(std::make_error_code(std::errc::operation_canceled), "copying");
        const auto chunk = m_files.copyChunk(m_source.fd, m_out, kChunk);
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
    if (auto changed = sourceUnchanged(written))
        return changed;
    m_source.fd.close();
    return {};
}

StepFailure CopyJob::createTemporary()
{
    const std::string temporary = temporaryNameFor(m_targetName);
    auto created = m_files.createIn(m_folder->opened, temporary);
    if (created.error)
        return failed(created.error, "creating the copy in " + folderOf(m_op.OpTargetPath));
    m_out = std::move(created.value);
    m_temporary = temporary;
    return {};
}

StepFailure CopyJob::download(const std::stop_token& stop,
                              const std::function<void(std::int64_t)>& copied)
{
    const auto place = parseMtpAddress(m_op.OpSourcePath);
    if (!m_devices || !place)
        return failedPlainly("players that speak MTP cannot be reached from here");
    auto device = m_devices->open(place->host);
    if (device.error)
        return failedPlainly(mtpProblem(place->host, device.error));
    // The object Compare saw, still of that name and size: a handle alone could by now be
    // another file.
    const auto now = device.value->object(m_op.source.object);
    if (now.error == std::errc::no_such_file_or_directory)
        return failedPlainly("the source is no longer on the player, so nothing was copied");
    if (now.error)
        return failedPlainly(mtpProblem(place->host, now.error));
    const std::string sourceName = m_op.OpSourcePath.substr(m_op.OpSourcePath.rfind('/') + 1);
    if (now.value.folder || now.value.name != sourceName ||
        (m_op.sourceSize && now.value.size != *m_op.sourceSize) ||
        (m_op.seenSourceModified && now.value.modified != *m_op.seenSourceModified))
        return failedPlainly("the source changed since Compare, so nothing was copied");
    m_source.facts.size = now.value.size;
    m_source.facts.modified = m_source.facts.accessed = {now.value.modified, 0};
    if (auto refused = createTemporary())
        return refused;
    if (auto e = device.value->download(m_op.source.object, m_out.get(), stop, copied)) {
        if (e == std::errc::operation_canceled)
            return failed(e, "copying");
        return failedPlainly(mtpProblem(place->host, e) + " (copying)");
    }
    const auto written = m_files.factsOfOpen(m_out);
    if (written.error)
        return failed(written.error, "copying");
    if (written.value.size != now.value.size)
        return failedPlainly("the player sent " + std::to_string(written.value.size) + " of the " +
                             std::to_string(now.value.size) + " bytes, so nothing was copied");
    return {};
}

StepFailure CopyJob::sourceAsCompared() const
{
    // Compare planned the copy for the file it saw; another version put in its place since (a
    // tagger, a restore of an older copy) may be older than the target.
    const FileFacts& now = m_source.facts;
    if ((m_op.sourceSize && now.size != *m_op.sourceSize) ||
        (m_op.seenSourceModified && now.modified.tv_sec != *m_op.seenSourceModified))
        return failedPlainly("the source changed since Compare, so nothing was copied");
    return {};
}

StepFailure CopyJob::sourceUnchanged(std::int64_t written)
{
    // A source rewritten, cut short or grown while it was read would leave a copy that mixes
    // two versions, or holds only part of one.
    const auto now = m_files.factsOfOpen(m_source.fd);
    if (now.error)
        return failed(now.error, "reading the source");
    const FileFacts& before = m_source.facts;
    if (written != before.size || now.value.size != before.size ||
        !sameTime(now.value.modified, before.modified) ||
        !sameTime(now.value.changed, before.changed))
        return failedPlainly("the source changed while it was copied");
    return {};
}

StepFailure CopyJob::stamp()
{
    DeviceTraits& traits = *m_folder->traits;
    if (!traits.settableTimes)
        return {};
    const auto e = m_files.setTimes(m_out, m_source.facts.accessed, m_source.facts.modified);
    if (e && timesNotKept(e)) {
        traits.settableTimes = false;
        m_timesRefused = true;
        return {};
    }
    if (e)
        return failed(e, "writing the copy to the device");
    return {};
}

StepFailure CopyJob::place()
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

StepFailure CopyJob::placeNew()
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

StepFailure CopyJob::targetStillAsSeen()
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
