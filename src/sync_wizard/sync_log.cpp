// The log of every Sync.
#include "sync_wizard/sync_log.h"

#include "platform/mtp_address.h"

#include "compare/report.h"
#include "platform/state_folder.h"
#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The folder as it was meant, whatever the working folder of whoever reads the log.
std::string absolute(const std::string& folder)
{
    if (isMtpAddress(folder))
        return folder; // a player's address is whole already
    std::error_code error;
    const auto path = std::filesystem::absolute(folder, error);
    return error ? folder : path.string();
}

// The file a path names, through a link: rotation renames the file, not the link.
std::string fileBehind(const std::string& path)
{
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) ? std::string(real) : path;
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

int lock(int fd, int how)
{
    int result = 0;
    do {
        result = ::flock(fd, how);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

std::string syncLogPath()
{
    return stateFolder() + "/sync.log";
}

std::unique_ptr<RunLog> RunLog::open(const std::string& path, const RunFacts& facts,
                                     std::size_t chosen, std::string& problem,
                                     std::size_t maxBytes)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error) {
        problem = error.message();
        return nullptr;
    }
    std::unique_ptr<RunLog> log(new RunLog(path, maxBytes));
    log->m_tag = std::to_string(::getpid()) + "." + std::to_string(facts.started);
    if (!log->reopen()) {
        problem = std::generic_category().message(errno);
        return nullptr;
    }
    const std::string header = std::string(kRunMark) + timeOf(facts.started) + " · run " +
                               log->m_tag + " · " + escapeField(absolute(facts.leftFolder)) +
                               " & " + escapeField(absolute(facts.rightFolder)) + " · chosen " +
                               countText(chosen) + "\n";
    if (!log->append(header, true)) {
        problem = "it could not be written";
        return nullptr;
    }
    return log;
}

RunLog::~RunLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RunLog::reopen()
{
    if (m_fd >= 0)
        ::close(m_fd);
    // Appends are whole lines at the end, whoever else appends; a link is followed.
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    return m_fd >= 0;
}

bool RunLog::append(const std::string& lines, bool rotate)
{
    if (m_fd < 0)
        return false;
    // An operation's line: one appending write, which no other run's write can split, to the
    // file this run opened; once a second it follows a rotation another run may have made.
    if (!rotate) {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_followed > std::chrono::seconds(1)) {
            m_followed = now;
            struct stat opened = {};
            struct stat named = {};
            if (::fstat(m_fd, &opened) == 0 && ::stat(m_path.c_str(), &named) == 0 &&
                (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) && !reopen())
                return false;
        }
        return writeAll(m_fd, lines);
    }
    // The header: under the file's lock, to the file the path names (another run may have
    // rotated the one this run opened), rotating it first when it is past its bound.
    for (int tries = 0; tries < 8; ++tries) {
        if (lock(m_fd, LOCK_EX) != 0)
            return writeAll(m_fd, lines); // no locks here: appends alone keep lines whole
        struct stat opened = {};
        struct stat named = {};
        if (::fstat(m_fd, &opened) == 0 && ::stat(m_path.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            if (rotate && static_cast<std::size_t>(opened.st_size) > m_maxBytes) {
                const std::string file = fileBehind(m_path);
                if (::rename(file.c_str(), (file + ".1").c_str()) == 0) {
                    lock(m_fd, LOCK_UN);
                    if (!reopen())
                        return false;
                    continue;
                }
            }
            const bool written = writeAll(m_fd, lines);
            lock(m_fd, LOCK_UN);
            return written;
        }
        lock(m_fd, LOCK_UN);
        if (!reopen())
            return false;
    }
    return false;
}

void RunLog::ended(const PlannedOperation* op, const FailedOperation& failure)
{
    std::string line = m_tag;
    if (!failure.reason.empty()) {
        line += "\tFAILED\t" + escapeField(failure.sourcePath) + "\t" +
                escapeField(failure.targetPath) + "\t" + escapeField(failure.reason);
    } else {
        line += "\tdone\t" + escapeField(op ? op->OpSourcePath : failure.sourcePath) + "\t" +
                escapeField(op ? op->OpTargetPath : failure.targetPath);
        if (op && op->conversion)
            line += std::string("\tconverted to ") + presetFacts(op->conversion->rule.preset).kind;
        // A playlist's entries left out of the player's version, each named.
        if (op && op->written && !op->written->missing.empty()) {
            line += "\twritten for the player, leaving out";
            for (const auto& entry : op->written->missing)
                line += "\t" + escapeField(entry);
        }
    }
    if (failure.reason.empty())
        m_done += line + "\n";
    else if (!append(line + "\n"))
        m_failed = true;
}

void RunLog::settled()
{
    // A batch at a time: one write for up to a few hundred small copies.
    if (!m_done.empty() && !append(m_done))
        m_failed = true;
    m_done.clear();
}

std::string RunLog::close(const ResultStore& plan, const CarryOutResult& run, double seconds)
{
    std::int64_t bytes = 0;
    for (const std::size_t i : run.done)
        bytes += plan[i].sourceSize.value_or(0);
    const std::string closing = std::string(kRunMark) + timeOf(std::time(nullptr)) + " · run " +
                                m_tag + " ended · done " + countText(run.done.size()) +
                                ", failed " + countText(run.failures.size()) +
                                (run.stopped ? ", stopped" : "") + " · " + sizeText(bytes) +
                                " in " + std::to_string(static_cast<long long>(seconds + 0.5)) +
                                " s\n";
    settled();
    std::string notes;
    for (const auto& note : run.notes)
        notes += m_tag + "\tnote\t" + escapeField(note) + "\n";
    if (!append(notes + closing) || m_failed)
        return "some of its lines could not be written";
    if (::fsync(m_fd) != 0)
        return std::generic_category().message(errno);
    return {};
}

CarryOutResult carryOutAndLog(const ResultStore& plan, FileOps& files,
                              const CarryOutControl& control, const RunFacts& folders,
                              const std::string& logPath)
{
    RunFacts facts = folders;
    facts.started = std::time(nullptr);
    const auto began = std::chrono::steady_clock::now();
    std::string problem;
    std::unique_ptr<RunLog> log;
    if (!logPath.empty())
        log = RunLog::open(logPath, facts, plan.size(), problem);
    CarryOutControl logged = control;
    if (log) {
        logged.ended = [&](std::size_t index, const FailedOperation& failure) {
            log->ended(index < plan.size() ? &plan[index] : nullptr, failure);
            if (control.ended)
                control.ended(index, failure);
        };
        logged.settled = [&] {
            log->settled();
            if (control.settled)
                control.settled();
        };
    }
    CarryOutResult run = carryOut(plan, files, logged);
    if (logPath.empty())
        return run;
    if (log)
        problem = log->close(
            plan, run,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    if (problem.empty())
        run.logFile = logPath;
    else
        run.notes.push_back("The log " + logPath + " could not be written (" + problem +
                            "); the copying itself is not affected.");
    return run;
}

} // namespace parlowen
