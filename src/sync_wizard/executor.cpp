// Carrying a plan out.
#include "sync_wizard/executor.h"

#include <functional>
#include <set>
#include <sstream>
#include <utility>

namespace parlowen {
namespace {

constexpr std::size_t kChunk = 8 << 20;
constexpr std::size_t kMaxName = 255;
constexpr std::size_t kListed = 20;

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string reason(const std::error_code& error, const std::string& step)
{
    return error.message() + " (" + step + ")";
}

class CopyJob
{
public:
    CopyJob(FileOps& files, const PlannedOperation& op) : m_files(files), m_op(op) {}
    ~CopyJob()
    {
        if (m_in >= 0)
            m_files.close(m_in);
        if (m_out >= 0)
            m_files.close(m_out);
        if (!m_temporary.empty())
            m_files.remove(m_temporary);
    }

    // Returns "" on success, else why it failed; the target is untouched on failure.
    std::string run()
    {
        struct stat source {};
        if (auto e = m_files.openSource(m_op.OpSourcePath, m_in, source))
            return reason(e, "opening the source");
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
        if (auto e = m_files.finish(m_out, source.st_mtim))
            return reason(e, "writing the copy to the device");
        const int out = std::exchange(m_out, -1);
        if (auto e = m_files.close(out))
            return reason(e, "writing the copy to the device");
        if (auto e = m_files.rename(m_temporary, m_op.OpTargetPath))
            return reason(e, "replacing the target");
        m_temporary.clear();
        return {};
    }

private:
    FileOps& m_files;
    const PlannedOperation& m_op;
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
    std::vector<FailedOperation> failures;
    std::set<std::string> touchedFolders;
    for (const auto& op : plan) {
        const std::string failure = CopyJob(files, op).run();
        if (failure.empty())
            touchedFolders.insert(folderOf(op.OpTargetPath));
        else
            failures.push_back({op.OpSourcePath, op.OpTargetPath, failure});
    }
    // The renames are on the device only once their folders are flushed.
    for (const auto& folder : touchedFolders) {
        if (auto e = files.syncFolder(folder))
            failures.push_back({"", folder, reason(e, "flushing the folder to the device")});
    }
    return failures;
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
