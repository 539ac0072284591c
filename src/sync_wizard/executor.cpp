// Carrying a plan out.
#include "sync_wizard/executor.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <utility>

namespace parlowen {
namespace {

constexpr std::size_t kChunk = 8 << 20;
constexpr std::size_t kMaxName = 255;
constexpr std::size_t kListed = 20;
// Copies written ahead of the flush: enough to keep the device busy, few enough that a nearly
// full player does not run out of room for the temporary files.
constexpr std::size_t kWriteAheadFiles = 64;
constexpr std::int64_t kWriteAheadBytes = 128 << 20;

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string reason(const std::error_code& error, const std::string& step)
{
    return error.message() + " (" + step + ")";
}

// One operation: the copy into its temporary file, then, once that is on the device, the
// rename over the target. Whatever is left undone is cleaned up when the job ends.
class CopyJob
{
public:
    CopyJob(FileOps& files, const PlannedOperation& op, std::size_t index)
        : m_files(files), m_op(op), m_index(index)
    {
    }
    ~CopyJob()
    {
        if (m_in >= 0)
            m_files.close(m_in);
        if (m_out >= 0)
            m_files.close(m_out);
        if (!m_temporary.empty())
            m_files.remove(m_temporary);
    }
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    std::size_t index() const { return m_index; }
    std::int64_t size() const { return m_size; }

    // Writes the copy and starts its way to the device. Returns "" or why it failed.
    std::string copy()
    {
        struct stat source = {};
        if (auto e = m_files.openSource(m_op.OpSourcePath, m_in, source))
            return reason(e, "opening the source");
        m_modified = source.st_mtim;
        m_size = source.st_size;
        const std::string temporary = temporaryPathFor(m_op.OpTargetPath);
        if (auto e = m_files.createTemporary(temporary, m_out))
            return reason(e, "creating the copy in " + folderOf(m_op.OpTargetPath));
        m_temporary = temporary;
        for (;;) {
            std::size_t copied = 0;
            if (auto e = m_files.copyChunk(m_in, m_out, kChunk, copied))
                return reason(e, "copying");
            if (copied == 0)
                break;
        }
        m_files.close(std::exchange(m_in, -1));
        m_files.beginFlush(m_out);
        return {};
    }

    // Waits until the copy is on the device, then puts it in the target's place.
    std::string commit()
    {
        if (auto e = m_files.finish(m_out, m_modified))
            return reason(e, "writing the copy to the device");
        if (auto e = m_files.close(std::exchange(m_out, -1)))
            return reason(e, "writing the copy to the device");
        if (auto e = m_files.rename(m_temporary, m_op.OpTargetPath))
            return reason(e, "replacing the target");
        m_temporary.clear();
        return {};
    }

private:
    FileOps& m_files;
    const PlannedOperation& m_op;
    std::size_t m_index;
    struct timespec m_modified = {};
    std::int64_t m_size = 0;
    int m_in = -1;
    int m_out = -1;
    std::string m_temporary; // removed unless it became the target
};

} // namespace

std::string temporaryPathFor(const std::string& targetPath)
{
    const std::string folder = folderOf(targetPath);
    const std::string name = targetPath.substr(targetPath.rfind('/') + 1);
    const std::string suffix = ".parlowen-copy";
    if (1 + name.size() + suffix.size() <= kMaxName)
        return folder + "." + name + suffix;
    // Too long to prefix and suffix: a name derived from the target's stays unique enough.
    std::ostringstream hashed;
    hashed << std::hex << std::hash<std::string>{}(name);
    return folder + "." + name.substr(0, 100) + "-" + hashed.str() + suffix;
}

std::vector<FailedOperation> carryOut(const ResultStore& plan, FileOps& files)
{
    std::map<std::size_t, FailedOperation> failures; // by plan position
    std::set<std::string> touchedFolders;
    const auto fail = [&](std::size_t index, const std::string& why) {
        failures.emplace(index,
                         FailedOperation{plan[index].OpSourcePath, plan[index].OpTargetPath, why});
    };
    // A few copies are written ahead while earlier ones reach the device; the renames still
    // happen one by one in plan order.
    std::deque<std::unique_ptr<CopyJob>> flushing;
    std::int64_t flushingBytes = 0;
    const auto commitOldest = [&] {
        auto& job = *flushing.front();
        flushingBytes -= job.size();
        const std::string failure = job.commit();
        if (failure.empty())
            touchedFolders.insert(folderOf(plan[job.index()].OpTargetPath));
        else
            fail(job.index(), failure);
        flushing.pop_front();
    };
    for (std::size_t i = 0; i < plan.size(); ++i) {
        auto job = std::make_unique<CopyJob>(files, plan[i], i);
        const std::string failure = job->copy();
        if (!failure.empty()) {
            fail(i, failure);
            continue;
        }
        flushingBytes += job->size();
        flushing.push_back(std::move(job));
        while (flushing.size() > kWriteAheadFiles || flushingBytes > kWriteAheadBytes)
            commitOldest();
    }
    while (!flushing.empty())
        commitOldest();

    std::vector<FailedOperation> result;
    for (auto& [index, failure] : failures)
        result.push_back(std::move(failure));
    // The renames are on the device only once their folders are flushed.
    for (const auto& folder : touchedFolders) {
        if (auto e = files.syncFolder(folder))
            result.push_back({"", folder, reason(e, "flushing the folder to the device")});
    }
    return result;
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
