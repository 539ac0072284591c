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
// Copies written ahead of the flush: enough to keep the device busy. A copy that meets a full
// device while others wait is tried again once they are in place (they may free old files).
constexpr std::size_t kWriteAheadFiles = 64;
constexpr std::int64_t kWriteAheadBytes = 128 << 20;

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
    Carrier(const ResultStore& plan, FileOps& files) : m_plan(plan), m_files(files) {}

    std::vector<FailedOperation> run()
    {
        const auto folders = prepareFolders(m_plan, m_files);
        for (std::size_t i = 0; i < m_plan.size(); ++i) {
            const std::string refused =
                refusal(m_plan[i], folders.at(folderOf(m_plan[i].OpTargetPath)));
            if (!refused.empty())
                fail(i, refused);
            else
                start(i);
        }
        commitAll();
        return failures();
    }

private:
    void start(std::size_t i)
    {
        auto job = std::make_unique<CopyJob>(m_files, m_plan[i], i);
        auto failure = job->copy();
        if (failure && retryAfterCommits(failure) && !m_flushing.empty()) {
            job.reset(); // its temporary goes before the others are committed
            commitAll();
            job = std::make_unique<CopyJob>(m_files, m_plan[i], i);
            failure = job->copy();
        }
        if (failure) {
            fail(i, failure.reason());
            return;
        }
        m_flushingBytes += job->size();
        m_flushing.push_back(std::move(job));
        while (m_flushing.size() > kWriteAheadFiles || m_flushingBytes > kWriteAheadBytes)
            commitOldest();
    }

    void commitOldest()
    {
        auto& job = *m_flushing.front();
        m_flushingBytes -= job.size();
        if (const auto failure = job.commit())
            fail(job.index(), failure.reason());
        else
            m_touchedFolders.insert(folderOf(m_plan[job.index()].OpTargetPath));
        m_flushing.pop_front();
    }

    void commitAll()
    {
        while (!m_flushing.empty())
            commitOldest();
    }

    void fail(std::size_t index, const std::string& why)
    {
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
    std::map<std::size_t, FailedOperation> m_failures; // by plan position
    std::set<std::string> m_touchedFolders;
    // A few copies are written ahead while earlier ones reach the device; they are put in
    // place one by one in plan order.
    std::deque<std::unique_ptr<CopyJob>> m_flushing;
    std::int64_t m_flushingBytes = 0;
};

} // namespace

std::vector<FailedOperation> carryOut(const ResultStore& plan, FileOps& files)
{
    return Carrier(plan, files).run();
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
