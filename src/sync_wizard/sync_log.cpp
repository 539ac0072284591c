// The log of every Sync.
#include "sync_wizard/sync_log.h"

#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace parlowen {
namespace {

constexpr const char* kRunMark = "== ";

std::string timeOf(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string header(const ResultStore& plan, const CarryOutResult& run, const RunFacts& facts)
{
    std::int64_t bytes = 0;
    for (const std::size_t i : run.done)
        bytes += plan[i].sourceSize.value_or(0);
    std::ostringstream text;
    text << kRunMark << timeOf(facts.started) << " · " << facts.leftFolder << " & "
         << facts.rightFolder << " · chosen " << countText(plan.size()) << ", done "
         << countText(run.done.size()) << ", failed " << countText(run.failures.size())
         << (run.stopped ? ", stopped" : "") << " · " << sizeText(bytes) << " in "
         << static_cast<long long>(facts.seconds + 0.5) << " s\n";
    return text.str();
}

// The runs that fit in maxBytes, newest last; at least the newest run.
std::string keptRuns(const std::string& whole, std::size_t maxBytes)
{
    if (whole.size() <= maxBytes)
        return whole;
    std::size_t from = whole.size() - maxBytes;
    from = whole.find(std::string("\n") + kRunMark, from == 0 ? 0 : from - 1);
    if (from == std::string::npos)
        from = whole.rfind(std::string("\n") + kRunMark);
    return from == std::string::npos ? whole : whole.substr(from + 1);
}

} // namespace

std::string syncLogPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::string base =
        state && *state ? std::string(state) : std::string(home ? home : "") + "/.local/state";
    return base + "/parlowen/sync.log";
}

std::string appendRun(const std::string& path, const ResultStore& plan, const CarryOutResult& run,
                      const RunFacts& facts, std::size_t maxBytes)
{
    std::string record = header(plan, run, facts);
    for (const std::size_t i : run.done)
        record += "done\t" + plan[i].OpSourcePath + "\t" + plan[i].OpTargetPath + "\n";
    for (const auto& f : run.failures)
        record += "FAILED\t" + f.sourcePath + "\t" + f.targetPath + "\t" + f.reason + "\n";
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error)
        return error.message();
    std::string whole;
    if (std::ifstream in{path, std::ios::binary})
        whole.assign(std::istreambuf_iterator<char>(in), {});
    const std::string kept = keptRuns(whole + record, maxBytes);
    // Written beside and renamed over, so a crash leaves the old log or the new one.
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << kept;
        if (!out.flush())
            return "it could not be written";
    }
    std::filesystem::rename(temporary, path, error);
    return error ? error.message() : std::string();
}

CarryOutResult carryOutAndLog(const ResultStore& plan, FileOps& files,
                              const CarryOutControl& control, const RunFacts& folders,
                              const std::string& logPath)
{
    RunFacts facts = folders;
    facts.started = std::time(nullptr);
    const auto began = std::chrono::steady_clock::now();
    CarryOutResult run = carryOut(plan, files, control);
    facts.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (logPath.empty())
        return run;
    if (const std::string problem = appendRun(logPath, plan, run, facts); problem.empty())
        run.logFile = logPath;
    else
        run.notes.push_back("The log " + logPath + " could not be written (" + problem +
                            "); the copying itself is not affected.");
    return run;
}

} // namespace parlowen
