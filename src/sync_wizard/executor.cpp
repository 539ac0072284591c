// Carrying a plan out.
#include "sync_wizard/executor.h"

#include "sync_wizard/conversions.h"
#include "sync_wizard/volumes.h"

#include "sync_wizard/drive_copy.h"

#include "platform/open_file_limit.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <sys/mman.h>
#include <map>
#include <memory>
#include <sstream>

namespace parlowen {
namespace {

constexpr std::size_t kListed = 20;
// Copies written ahead of their flush: many small files share one flush (each costs a journal
// commit), and the bytes waiting for it stay few enough that a stop is not held up for long.
// A copy that meets a full device while others wait is tried again once they are in
// place (they may free old files).
constexpr std::int64_t kWriteAheadBytes = 32 << 20;

// A copy written and waiting for its flush.
struct Written
{
    std::size_t index;
    Volume* volume;
    std::unique_ptr<NewFile> file;
    bool placed = false; // by a volume that places as it writes
};

class Carrier
{
public:
    Carrier(const ResultStore& plan, FileOps& files, const CarryOutControl& control)
        : m_plan(plan), m_control(control), m_files(files), m_volumes(files, control),
          m_conversions(plan, files, control.stop)
    {
        m_progress.total = plan.size();
        for (const auto& op : plan)
            m_progress.bytesTotal += bytesWritten(op);
    }

    CarryOutResult run()
    {
        m_volumes.begin(m_plan, m_control.stop, [this](std::size_t done, std::size_t of) {
            m_progress.foldersOpened = done;
            m_progress.foldersToOpen = of;
            if (m_control.progress)
                m_control.progress(m_progress);
        });
        m_progress.foldersOpened = m_progress.foldersToOpen = 0;
        m_conversions.start();
        CarryOutResult result;
        result.total = m_plan.size();
        for (std::size_t i = 0; i < m_plan.size() && !stopped(); ++i) {
            Volume& target = m_volumes.of(m_plan[i].target);
            carry(i, m_volumes.of(m_plan[i].source), target);
            target.passed(i);
            m_conversions.passed(i);
            m_bytesBefore += bytesWritten(m_plan[i]);
        }
        // Also on a stop: the copies written ahead are complete, and few enough to flush
        // quickly; only the file being copied was abandoned.
        commitAll();
        for (auto& folder : m_volumes.finish())
            folderFailed(folder);
        result.stopped = stopped();
        result.finished = m_finished;
        for (auto& [index, failure] : m_failures)
            result.failures.push_back(std::move(failure));
        result.failures.insert(result.failures.end(), m_folderFailures.begin(),
                               m_folderFailures.end());
        m_conversions.saveMaps(true);
        result.notes = m_volumes.takeNotes();
        for (auto& note : m_conversions.takeNotes())
            result.notes.push_back(std::move(note));
        result.done = std::move(m_done);
        return result;
    }

private:
    bool stopped() const { return m_control.stop.stop_requested(); }

    void carry(std::size_t i, Volume& from, Volume& to)
    {
        // A large file copies with nothing waiting before it, so a stop in its middle is quick.
        if (bytesWritten(m_plan[i]) > kWriteAheadBytes / 4 || !to.settlesInBatches())
            commitAll();
        std::unique_ptr<NewFile> file;
        auto failure = copy(i, from, to, file);
        if (failure && !m_waiting.empty() && to.worthRetry(failure, file.get())) {
            file.reset(); // its temporary goes before the others are committed
            commitAll();
            failure = copy(i, from, to, file);
        }
        if (failure) {
            if (failure.error != std::errc::operation_canceled)
                fail(i, failure.reason());
            return;
        }
        m_waitingBytes += file->size();
        m_waiting.push_back({i, &to, std::move(file), !to.settlesInBatches()});
        if (!to.settlesInBatches() || m_waiting.size() >= writeAheadFiles() ||
            m_waitingBytes >= kWriteAheadBytes)
            commitAll();
    }

    // Writes the operation's copy, from the source as Compare saw it and unchanged while it
    // was read; the copy is not in place yet.
    StepFailure copy(std::size_t i, Volume& from, Volume& to, std::unique_ptr<NewFile>& file)
    {
        const PlannedOperation& op = m_plan[i];
        if (auto refused = to.create(op, i, file))
            return refused;
        std::unique_ptr<SourceFile> source;
        if (op.conversion)
            startProgress(i, true);
        if (auto failure = op.written      ? openWritten(op, source)
                           : op.conversion ? m_conversions.open(i, source)
                                           : from.open(op, source))
            return failure;
        // Compare planned the copy for the file it saw; another version put in its place since
        // (a tagger, a restore of an older copy) may be older than the target.
        const FileFacts& seen = source->asCompared();
        if ((op.sourceSize && seen.size != *op.sourceSize) ||
            (op.seenSourceModified && seen.modified.tv_sec != *op.seenSourceModified))
            return failedPlainly("the source changed since Compare, so nothing was copied");
        // A converted copy's size is known only now: the room is looked at again.
        if (op.conversion) {
            const auto look = to.look(op);
            if (look && look->freeBytes && *look->freeBytes < source->facts().size)
                return failedPlainly("there is no room left for its converted copy on " +
                                     look->where);
        }
        if (auto failure = file->write(*source, m_control.stop, startProgress(i)))
            return failure;
        if (auto failure = source->unchanged(file->size()))
            return failure;
        if (!to.settlesInBatches()) {
            // Placed while its source is open: a player may need to send it again.
            if (auto failure = file->finish())
                return failure;
            if (auto failure = file->place())
                return failure;
        }
        return {};
    }

    // A file written for the player (a playlist): its text in a memory file, read as a drive's.
    StepFailure openWritten(const PlannedOperation& op, std::unique_ptr<SourceFile>& source)
    {
        UniqueFd fd(::memfd_create("parlowen-written", MFD_CLOEXEC));
        const std::string& text = op.written->content;
        if (!fd || ::pwrite(fd.get(), text.data(), text.size(), 0) !=
                       static_cast<ssize_t>(text.size()))
            return failed({errno, std::generic_category()}, "writing it for the player");
        auto facts = m_files.factsOfOpen(fd);
        if (facts.error)
            return failed(facts.error, "writing it for the player");
        source = std::make_unique<CarriedSource>(
            m_files, OpenedSource{std::move(fd), facts.value}, op.sourceSize.value_or(0),
            timespec{static_cast<time_t>(op.seenSourceModified.value_or(0)), 0});
        return {};
    }

    // Tells that the operation starts, and gives what tells the bytes of it copied so far.
    BytesTold startProgress(std::size_t i, bool converting = false)
    {
        m_progress.converting = converting;
        m_progress.current = i + 1;
        m_progress.file = m_plan[i].OpSourcePath;
        m_progress.target = m_plan[i].OpTargetPath;
        m_progress.fileBytes = bytesWritten(m_plan[i]);
        auto told = [this](std::int64_t copied) {
            m_progress.bytesDone = m_bytesBefore + copied;
            m_progress.fileDone = copied;
            if (m_control.progress)
                m_control.progress(m_progress);
        };
        told(0);
        m_progress.converting = false;
        return told;
    }

    // The copies written ahead are settled together per volume, then put in place in plan
    // order, logged, and the folders they went into settled.
    void commitAll()
    {
        std::map<Volume*, std::vector<NewFile*>> ready;
        std::vector<Written*> inOrder;
        for (auto& written : m_waiting) {
            if (written.placed) {
                inOrder.push_back(&written);
                continue;
            }
            if (auto failure = written.file->finish()) {
                fail(written.index, failure.reason());
                continue;
            }
            ready[written.volume].push_back(written.file.get());
            inOrder.push_back(&written);
        }
        std::map<Volume*, std::error_code> settled;
        for (auto& [volume, files] : ready)
            settled[volume] = volume->settle(files);
        std::map<Volume*, std::vector<NewFile*>> placed;
        for (Written* written : inOrder) {
            StepFailure failure;
            if (!written->placed) {
                failure = {settled[written->volume], "writing the copy to the device", {}};
                if (!failure)
                    failure = written->file->place();
            }
            if (failure) {
                fail(written->index, failure.reason());
                continue;
            }
            ++m_finished;
            m_done.push_back(written->index);
            m_conversions.placed(written->index, written->file->size());
            removeReplaced(written->index, *written->file);
            placed[written->volume].push_back(written->file.get());
            if (m_control.ended)
                m_control.ended(written->index, {});
        }
        // Logged as soon as they are in place: a kill from here on leaves no copy unlogged.
        if (m_control.settled && !inOrder.empty())
            m_control.settled();
        m_conversions.saveMaps(false);
        for (auto& [volume, files] : placed) {
            for (auto& folder : volume->settleFolders(files))
                folderFailed(folder);
        }
        m_waiting.clear();
        m_waitingBytes = 0;
    }

    // After a change of format the song's older copy goes, once the new one is in place.
    void removeReplaced(std::size_t i, NewFile& placed)
    {
        const auto& conversion = m_plan[i].conversion;
        if (!conversion || conversion->replacesName.empty())
            return;
        if (auto failure = placed.removeBeside(conversion->replacesName, conversion->replacesSize))
            m_conversions.replacedKept(i, failure.reason());
        else
            m_conversions.replacedRemoved(i);
    }

    void folderFailed(const FolderFailure& folder)
    {
        m_folderFailures.push_back({"", folder.folder, folder.reason});
        if (m_control.ended)
            m_control.ended(std::string::npos, m_folderFailures.back());
    }

    void fail(std::size_t index, const std::string& why)
    {
        ++m_finished;
        const auto& failure =
            m_failures
                .emplace(index, FailedOperation{m_plan[index].OpSourcePath,
                                                m_plan[index].OpTargetPath, why})
                .first->second;
        if (m_control.ended)
            m_control.ended(index, failure);
    }

    const ResultStore& m_plan;
    const CarryOutControl& m_control;
    FileOps& m_files;
    Volumes m_volumes;
    Conversions m_conversions;
    CopyProgress m_progress;
    std::int64_t m_bytesBefore = 0; // the plan's bytes before the operation being copied
    std::size_t m_finished = 0;
    std::map<std::size_t, FailedOperation> m_failures; // by plan position
    std::vector<FailedOperation> m_folderFailures;
    std::vector<std::size_t> m_done; // plan positions put in place
    // Copies written ahead of their flush, put in place together in plan order.
    std::deque<Written> m_waiting;
    std::int64_t m_waitingBytes = 0;
};

} // namespace

// Each waiting copy holds its file open, so their number keeps within what the process may open.
std::size_t writeAheadFiles()
{
    static const std::size_t files = std::clamp<std::size_t>(openFileBudget() / 4, 16, 2048);
    return files;
}

CarryOutResult carryOut(const ResultStore& plan, FileOps& files, const CarryOutControl& control)
{
    return Carrier(plan, files, control).run();
}

std::vector<FailedOperation> carryOut(const ResultStore& plan, FileOps& files)
{
    return carryOut(plan, files, CarryOutControl{}).failures;
}

std::string failureReport(const std::vector<FailedOperation>& failures)
{
    return std::to_string(failures.size()) +
           (failures.size() == 1 ? " operation" : " operations") + " could not be carried out:\n" +
           failureList(failures);
}

std::string failureList(const std::vector<FailedOperation>& failures)
{
    std::ostringstream text;
    for (std::size_t i = 0; i < failures.size() && i < kListed; ++i) {
        const auto& f = failures[i];
        text << "\n";
        if (!f.sourcePath.empty())
            text << f.sourcePath << " -> ";
        if (!f.targetPath.empty())
            text << f.targetPath << ": ";
        text << f.reason;
    }
    if (failures.size() > kListed)
        text << "\n\n... and " << failures.size() - kListed << " more.";
    return text.str();
}

} // namespace parlowen
