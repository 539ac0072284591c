// Carrying a plan out.
#include "sync_wizard/executor.h"

#include "sync_wizard/copy_job.h"
#include "sync_wizard/device_copy.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/target_folders.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

namespace parlowen {
namespace {

constexpr std::size_t kListed = 20;
// Copies written ahead of their flush: many small files share one flush, and the bytes waiting
// for it stay few enough that a stop is not held up for long. A copy that meets a full device
// while others wait is tried again once they are in place (they may free old files).
constexpr std::size_t kWriteAheadFiles = 256;
constexpr std::int64_t kWriteAheadBytes = 32 << 20;

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// Why an operation cannot even start, or "".
std::string refusal(const PlannedOperation& op, const TargetFolder& folder)
{
    if (!folder.refusal.empty())
        return folder.refusal;
    if (folder.traits->fatNames)
        return fatNameProblem(nameOf(op.OpTargetPath));
    return {};
}

// Worth another try once the copies written ahead are in place: they may free the room of
// the files they replace, or hold the temporary name (case twins share one where capitals do
// not count).
bool retryAfterCommits(const StepFailure& failure, const DeviceTraits& traits)
{
    return failure.error == std::errc::no_space_on_device ||
           (failure.error == std::errc::file_exists && traits.caseInsensitive);
}

// The target folders in the order of their first operations, and the position of each one's
// last operation, so it is let go right after.
struct FolderUses
{
    std::vector<std::string> inOrder;
    std::map<std::string, std::size_t> last;
};

FolderUses folderUses(const ResultStore& plan)
{
    FolderUses uses;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].target.on == Place::On::Device)
            continue; // refused without a look at the device
        const std::string folder = folderOf(plan[i].OpTargetPath);
        if (uses.last.insert_or_assign(folder, i).second)
            uses.inOrder.push_back(folder);
    }
    return uses;
}

class Carrier
{
public:
    Carrier(const ResultStore& plan, FileOps& files, const CarryOutControl& control)
        : m_plan(plan), m_files(files), m_control(control), m_targets(files, control.createFolders, control.roots, control.missingFolderHint)
    {
        m_progress.total = plan.size();
        for (const auto& op : plan)
            m_progress.bytesTotal += op.sourceSize.value_or(0);
    }

    CarryOutResult run()
    {
        const auto uses = folderUses(m_plan);
        m_targets.enterAhead(uses.inOrder, m_control.stop, [this](std::size_t done, std::size_t of) {
            m_progress.foldersOpened = done;
            m_progress.foldersToOpen = of;
            if (m_control.progress)
                m_control.progress(m_progress);
        });
        m_progress.foldersOpened = m_progress.foldersToOpen = 0;
        CarryOutResult result;
        result.total = m_plan.size();
        for (std::size_t i = 0; i < m_plan.size() && !stopped(); ++i) {
            if (m_plan[i].target.on == Place::On::Device) {
                copyToPlayer(i);
                m_bytesBefore += m_plan[i].sourceSize.value_or(0);
                continue;
            }
            const std::string folderPath = folderOf(m_plan[i].OpTargetPath);
            auto folder = m_targets.enter(folderPath);
            const std::string refused = refusal(m_plan[i], *folder);
            if (!refused.empty())
                fail(i, refused);
            else
                start(i, std::move(folder));
            if (uses.last.at(folderPath) == i)
                m_targets.leave(folderPath);
            m_bytesBefore += m_plan[i].sourceSize.value_or(0);
        }
        // Also on a stop: the copies written ahead are complete, and few enough to flush
        // quickly; only the file being copied was abandoned.
        commitAll();
        result.stopped = stopped();
        result.finished = m_finished;
        for (auto& [index, failure] : m_failures)
            result.failures.push_back(std::move(failure));
        result.failures.insert(result.failures.end(), m_folderFailures.begin(),
                               m_folderFailures.end());
        if (m_toPlayers) {
            for (auto& note : m_toPlayers->takeNotes())
                m_notes.push_back(std::move(note));
        }
        result.notes = std::move(m_notes);
        result.done = std::move(m_done);
        return result;
    }

private:
    bool stopped() const { return m_control.stop.stop_requested(); }

    void start(std::size_t i, std::shared_ptr<TargetFolder> folder)
    {
        // A large file copies with nothing waiting before it, so a stop in its middle is quick.
        if (m_plan[i].sourceSize.value_or(0) > kWriteAheadBytes / 4)
            commitAll();
        auto job = std::make_unique<CopyJob>(m_files, m_plan[i], i, folder, m_control.devices);
        auto failure = copy(*job, i);
        if (failure && retryAfterCommits(failure, *folder->traits) && !m_flushing.empty()) {
            job.reset(); // its temporary goes before the others are committed
            commitAll();
            job = std::make_unique<CopyJob>(m_files, m_plan[i], i, folder, m_control.devices);
            failure = copy(*job, i);
        }
        if (failure) {
            if (failure.error != std::errc::operation_canceled)
                fail(i, failure.reason());
            return;
        }
        m_flushingBytes += job->size();
        m_flushing.push_back(std::move(job));
        if (m_flushing.size() >= kWriteAheadFiles || m_flushingBytes >= kWriteAheadBytes)
            commitAll();
    }

    // One file at a time: a player takes one transfer at once, and each is whole on the
    // device once it has been sent.
    void copyToPlayer(std::size_t i)
    {
        if (!m_control.devices) {
            fail(i, "players that speak MTP cannot be reached from here");
            return;
        }
        if (!m_toPlayers)
            m_toPlayers.emplace(*m_control.devices, m_files, m_control.roots,
                                m_control.createFolders, m_control.missingFolderHint);
        const auto failure = m_toPlayers->copy(m_plan[i], m_control.stop, startProgress(i));
        if (failure) {
            if (failure.error != std::errc::operation_canceled)
                fail(i, failure.reason());
            return;
        }
        ++m_finished;
        m_done.push_back(i);
        if (m_control.ended)
            m_control.ended(i, {});
        if (m_control.settled)
            m_control.settled();
    }

    StepFailure copy(CopyJob& job, std::size_t i)
    {
        return job.copy(m_control.stop, startProgress(i));
    }

    // Tells that the operation starts, and gives what tells the bytes of it copied so far.
    std::function<void(std::int64_t)> startProgress(std::size_t i)
    {
        m_progress.current = i + 1;
        m_progress.file = m_plan[i].OpSourcePath;
        auto told = [this](std::int64_t copied) {
            m_progress.bytesDone = m_bytesBefore + copied;
            if (m_control.progress)
                m_control.progress(m_progress);
        };
        told(0);
        return told;
    }

    // The copies written ahead are flushed together, then put in place in plan order, and
    // the folders they went into flushed.
    void commitAll()
    {
        std::vector<CopyJob*> ready;
        for (const auto& job : m_flushing) {
            const auto failure = job->stamp();
            if (job->timesRefused())
                noteTimesRefused(job->folder());
            if (failure)
                fail(job->index(), failure.reason());
            else
                ready.push_back(job.get());
        }
        const std::error_code flushed = flush(ready);
        std::set<const TargetFolder*> touched;
        for (CopyJob* job : ready) {
            StepFailure failure{flushed, "writing the copy to the device", {}};
            if (!failure)
                failure = job->place();
            if (failure) {
                fail(job->index(), failure.reason());
            } else {
                ++m_finished;
                m_done.push_back(job->index());
                touched.insert(&job->folder());
                if (m_control.ended)
                    m_control.ended(job->index(), {});
            }
        }
        // The renames are on the device only once their folders are flushed.
        for (const TargetFolder* folder : touched) {
            if (auto e = m_files.syncFolder(folder->opened)) {
                m_folderFailures.push_back(
                    {"", folder->path, failed(e, "flushing the folder to the device").reason()});
                if (m_control.ended)
                    m_control.ended(std::string::npos, m_folderFailures.back());
            }
        }
        m_flushing.clear();
        m_flushingBytes = 0;
        if (m_control.settled && !ready.empty())
            m_control.settled();
    }

    // One flush of a whole device where that is cheaper than one per file; FUSE devices only
    // promise what their own fsync of each file does. An error means none can be trusted.
    std::error_code flush(const std::vector<CopyJob*>& jobs)
    {
        std::map<std::uint64_t, const UniqueFd*> wholeDevices;
        for (CopyJob* job : jobs) {
            const DeviceTraits& traits = *job->folder().traits;
            if (jobs.size() > 1 && !traits.flushPerFile) {
                wholeDevices.emplace(traits.device, &job->output());
                continue;
            }
            if (auto e = m_files.flushFile(job->output()))
                return e;
        }
        for (const auto& [device, fd] : wholeDevices) {
            if (auto e = m_files.flushDevice(*fd))
                return e;
        }
        return {};
    }

    void noteTimesRefused(const TargetFolder& folder)
    {
        const std::string& where =
            folder.traits->mountPoint.empty() ? folder.path : folder.traits->mountPoint;
        m_notes.push_back("The device at " + where +
                          " does not keep file times: the copies on it carry the time they were "
                          "made, so the next Compare shows them as newer.");
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
    FileOps& m_files;
    const CarryOutControl& m_control;
    TargetFolders m_targets;
    CopyProgress m_progress;
    std::int64_t m_bytesBefore = 0; // the plan's bytes before the operation being copied
    std::size_t m_finished = 0;
    std::map<std::size_t, FailedOperation> m_failures; // by plan position
    std::vector<FailedOperation> m_folderFailures;
    std::vector<std::string> m_notes;
    std::vector<std::size_t> m_done; // plan positions put in place
    // Copies written ahead of their flush, put in place together in plan order.
    std::deque<std::unique_ptr<CopyJob>> m_flushing;
    std::optional<DeviceCopier> m_toPlayers; // made at the first copy onto a player
    std::int64_t m_flushingBytes = 0;
};

} // namespace

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
