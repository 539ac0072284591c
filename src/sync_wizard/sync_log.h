// The log of every Sync, written as the run goes: a header when it starts (when, both folders,
// how many operations), a line for each operation as it is done or fails, and a closing line
// with the counts, so a run killed halfway leaves the lines of what it did. Runs at once append
// whole lines without losing any; past its bound the file is rotated to sync.log.1.
#pragma once

#include "compare/result_store.h"
#include "sync_wizard/executor.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace parlowen {

// $XDG_STATE_HOME/parlowen/sync.log, or ~/.local/state/parlowen/sync.log.
std::string syncLogPath();

struct RunFacts
{
    std::string leftFolder;
    std::string rightFolder;
    std::time_t started = 0;
    double seconds = 0;
};

// One run's record in the log.
class RunLog
{
public:
    // Opens the log at path (through a link, creating its folder), rotates it to path.1 once it
    // has passed maxBytes, and writes the run's header; null with problem set when it cannot.
    static std::unique_ptr<RunLog> open(const std::string& path, const RunFacts& facts,
                                        std::size_t chosen, std::string& problem,
                                        std::size_t maxBytes = 4 << 20);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // The line of an operation that ended: done when the failure has no reason. A failure is
    // written at once; the copies done are written once they are on the device (settled).
    void ended(const PlannedOperation* op, const FailedOperation& failure);
    void settled();
    // The closing line with the counts, and the whole record flushed to the disk; why it could
    // not be, or "".
    std::string close(const ResultStore& plan, const CarryOutResult& run, double seconds);

private:
    RunLog(std::string path, std::size_t maxBytes) : m_path(std::move(path)), m_maxBytes(maxBytes)
    {
    }
    // Appends whole lines; false when they could not be written. With rotate, the file is
    // first rotated when it is past its bound.
    bool append(const std::string& lines, bool rotate = false);
    bool reopen();

    std::string m_path;
    std::size_t m_maxBytes;
    int m_fd = -1;
    std::string m_tag; // begins each of the run's lines, so runs at once can be told apart
    bool m_failed = false;
    std::string m_done; // the lines of copies done, not yet on the device
    std::chrono::steady_clock::time_point m_followed = std::chrono::steady_clock::now();
};

// Carries the plan out and logs the run as it goes (unless logPath is empty): the result names
// the log, or carries a note that it could not be written.
CarryOutResult carryOutAndLog(const ResultStore& plan, FileOps& files,
                              const CarryOutControl& control, const RunFacts& folders,
                              const std::string& logPath);

} // namespace parlowen
