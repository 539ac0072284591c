// One operation of a plan.
#include "sync_wizard/copy_job.h"

#include "sync_wizard/player_names.h"

#include <utility>

namespace parlowen {
namespace {

// Small enough that a stop is honoured within a second on a slow USB stick.
constexpr std::int64_t kChunk = 2 << 20;
// What may be on its way to the device at once: enough to keep it busy, little enough to be
// written out within half a second of a stop even on a USB 2.0 stick.
constexpr std::int64_t kInFlight = 8 << 20;

const char* plainWords(const std::error_code& error)
{
    if (error == std::errc::no_space_on_device)
        return "the device is full";
    if (error.value() == EDQUOT && error.category() == std::generic_category())
        return "the device is full (your quota on it is used up)";
    if (error == std::errc::read_only_file_system)
        return "the device is read-only";
    return nullptr;
}

StepFailure failed(const std::error_code& error, std::string step)
{
    return {error, std::move(step), {}};
}

StepFailure failedPlainly(std::string reason)
{
    return {{}, {}, std::move(reason)};
}

} // namespace

std::string StepFailure::reason() const
{
    if (!plainReason.empty())
        return plainReason;
    const char* words = plainWords(error);
    return (words ? std::string(words) : error.message()) + " (" + step + ")";
}

CopyJob::CopyJob(FileOps& files, const PlannedOperation& op, std::size_t index)
    : m_files(files), m_op(op), m_index(index)
{
}

CopyJob::~CopyJob()
{
    if (!m_temporary.empty()) {
        m_out.close();
        m_files.remove(m_temporary);
    }
}

StepFailure CopyJob::copy(const std::stop_token& stop,
                          const std::function<void(std::int64_t)>& copied)
{
    auto opened = m_files.openSource(m_op.OpSourcePath);
    if (opened.error)
        return failed(opened.error, "opening the source");
    m_source = std::move(opened.value);
    const std::string temporary = temporaryPathFor(m_op.OpTargetPath);
    auto created = m_files.createTemporary(temporary);
    if (created.error)
        return failed(created.error, "creating the copy in " + folderOf(m_op.OpTargetPath));
    m_out = std::move(created.value);
    m_temporary = temporary;
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
    m_source.fd.close();
    return {};
}

StepFailure CopyJob::stamp()
{
    if (auto e = m_files.setTimes(m_out, m_source.facts.accessed, m_source.facts.modified))
        return failed(e, "writing the copy to the device");
    return {};
}

StepFailure CopyJob::place()
{
    if (auto e = m_out.close())
        return failed(e, "writing the copy to the device");
    if (m_op.OpReplacedPath.empty()) {
        const auto e = m_files.renameNoReplace(m_temporary, m_op.OpTargetPath);
        if (e == std::errc::file_exists)
            return failedPlainly("a file of this name already exists on this side (its file "
                                 "system may not tell capitals from small letters)");
        if (e)
            return failed(e, "putting the copy in place");
    } else {
        if (auto failure = targetStillAsSeen())
            return failure;
        if (auto e = m_files.rename(m_temporary, m_op.OpTargetPath))
            return failed(e, "replacing the target");
    }
    m_temporary.clear();
    return {};
}

StepFailure CopyJob::targetStillAsSeen()
{
    const auto now = m_files.factsOf(m_op.OpTargetPath);
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
