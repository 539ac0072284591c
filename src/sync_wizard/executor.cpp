// Carrying a plan out.
#include "sync_wizard/executor.h"

#include "sync_wizard/copy_job.h"

#include <deque>
#include <map>
#include <memory>
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

// What is known of a target folder before the first copy into it.
struct TargetFolder
{
    bool missing = false;
    bool fatNames = false;
};

// Looks at every target folder once, before anything is copied, and clears the temporaries
// an interrupted run left there. Done up front, so no copy of this run is in flight yet (on
// FAT two spellings of a folder are one folder).
std::map<std::string, TargetFolder> prepareFolders(const ResultStore& plan, FileOps& files)
{
    std::map<std::string, TargetFolder> folders;
    for (const auto& op : plan) {
        const std::string folder = folderOf(op.OpTargetPath);
        if (folders.contains(folder))
            continue;
        TargetFolder& target = folders[folder];
        const auto listing = files.filesIn(folder);
        target.missing = listing.error == std::errc::no_such_file_or_directory ||
                         listing.error == std::errc::not_a_directory;
        if (target.missing)
            continue;
        for (const auto& name : listing.value) {
            if (isTemporaryName(name))
                files.remove(folder + name);
        }
        target.fatNames = files.hasFatNames(folder);
    }
    return folders;
}

// Why an operation cannot even start, or "".
std::string refusal(const PlannedOperation& op, const TargetFolder& folder)
{
    if (folder.missing)
        return "the folder " + folderOf(op.OpTargetPath) +
               " does not exist on this side (Parlowen never creates folders)";
    if (folder.fatNames)
        return fatNameProblem(nameOf(op.OpTargetPath));
    return {};
}

// Worth another try once the copies written ahead are in place: they may free the room of
// the files they replace, or hold the temporary name (FAT's case twins share one).
bool retryAfterCommits(const StepFailure& failure)
{
    return failure.error == std::errc::no_space_on_device ||
           failure.error == std::errc::file_exists;
}

class Carrier
{
public:
    Carrier(const ResultStore& plan, FileOps& files, const CarryOutControl& control)
        : m_plan(plan), m_files(files), m_control(control)
    {
        m_progress.total = plan.size();
        for (const auto& op : plan)
            m_progress.bytesTotal += op.sourceSize.value_or(0);
    }

    CarryOutResult run()
    {
        const auto folders = prepareFolders(m_plan, m_files);
        CarryOutResult result;
        result.total = m_plan.size();
        for (std::size_t i = 0; i < m_plan.size() && !stopped(); ++i) {
            const std::string refused =
                refusal(m_plan[i], folders.at(folderOf(m_plan[i].OpTargetPath)));
            if (!refused.empty())
                fail(i, refused);
            else
                start(i);
            m_bytesBefore += m_plan[i].sourceSize.value_or(0);
        }
        // Also on a stop: the copies written ahead are complete, and few enough to flush
        // quickly; only the file being copied was abandoned.
        commitAll();
        result.stopped = stopped();
        result.finished = m_finished;
        result.failures = failures();
        return result;
    }

private:
    bool stopped() const { return m_control.stop.stop_requested(); }

    void start(std::size_t i)
    {
        // A large file copies with nothing waiting before it, so a stop in its middle is quick.
        if (m_plan[i].sourceSize.value_or(0) > kWriteAheadBytes / 4)
            commitAll();
        auto job = std::make_unique<CopyJob>(m_files, m_plan[i], i);
        auto failure = copy(*job, i);
        if (failure && retryAfterCommits(failure) && !m_flushing.empty()) {
            job.reset(); // its temporary goes before the others are committed
            commitAll();
            job = std::make_unique<CopyJob>(m_files, m_plan[i], i);
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

    StepFailure copy(CopyJob& job, std::size_t i)
    {
        m_progress.current = i + 1;
        m_progress.file = m_plan[i].OpSourcePath;
        const auto told = [this](std::int64_t copied) {
            m_progress.bytesDone = m_bytesBefore + copied;
            if (m_control.progress)
                m_control.progress(m_progress);
        };
        told(0);
        return job.copy(m_control.stop, told);
    }

    // The copies written ahead are flushed together, then put in place in plan order.
    void commitAll()
    {
        std::vector<const UniqueFd*> ready;
        std::vector<bool> stamped;
        for (const auto& job : m_flushing) {
            const auto failure = job->stamp();
            if (failure)
                fail(job->index(), failure.reason());
            else
                ready.push_back(&job->output());
            stamped.push_back(!failure);
        }
        const std::error_code flushed = ready.empty() ? std::error_code() : m_files.flush(ready);
        for (std::size_t k = 0; k < m_flushing.size(); ++k) {
            CopyJob& job = *m_flushing[k];
            if (!stamped[k])
                continue;
            StepFailure failure{flushed, "writing the copy to the device", {}};
            if (!failure)
                failure = job.place();
            if (failure) {
                fail(job.index(), failure.reason());
            } else {
                ++m_finished;
                m_touchedFolders.insert(folderOf(m_plan[job.index()].OpTargetPath));
            }
        }
        m_flushing.clear();
        m_flushingBytes = 0;
    }

    void fail(std::size_t index, const std::string& why)
    {
        ++m_finished;
        m_failures.emplace(
            index, FailedOperation{m_plan[index].OpSourcePath, m_plan[index].OpTargetPath, why});
    }

    std::vector<FailedOperation> failures()
    {
        std::vector<FailedOperation> result;
        for (auto& [index, failure] : m_failures)
            result.push_back(std::move(failure));
        // The renames are on the device only once their folders are flushed.
        for (const auto& folder : m_touchedFolders) {
            if (auto e = m_files.syncFolder(folder))
                result.push_back(
                    {"", folder, StepFailure{e, "flushing the folder to the device", {}}.reason()});
        }
        return result;
    }

    const ResultStore& m_plan;
    FileOps& m_files;
    const CarryOutControl& m_control;
    CopyProgress m_progress;
    std::int64_t m_bytesBefore = 0; // the plan's bytes before the operation being copied
    std::size_t m_finished = 0;
    std::map<std::size_t, FailedOperation> m_failures; // by plan position
    std::set<std::string> m_touchedFolders;
    // Copies written ahead of their flush, put in place together in plan order.
    std::deque<std::unique_ptr<CopyJob>> m_flushing;
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
    std::ostringstream text;
    text << failures.size() << (failures.size() == 1 ? " operation" : " operations")
         << " could not be carried out:\n";
    for (std::size_t i = 0; i < failures.size() && i < kListed; ++i) {
        const auto& f = failures[i];
        text << "\n";
        if (!f.sourcePath.empty())
            text << f.sourcePath << " -> ";
        text << f.targetPath << ": " << f.reason;
    }
    if (failures.size() > kListed)
        text << "\n\n... and " << failures.size() - kListed << " more.";
    return text.str();
}

} // namespace parlowen
