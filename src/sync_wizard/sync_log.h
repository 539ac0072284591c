// The log of every Sync: each run appends a header (when, both folders, counts, bytes, time)
// and a line for each operation carried out or failed, so a report that names only the first
// failures can point to the rest. The file is kept to a bounded size, the oldest runs going.
#pragma once

#include "compare/result_store.h"
#include "sync_wizard/executor.h"

#include <cstdint>
#include <ctime>
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

// Appends the run of the plan to the log at path, creating its folder; keeps the file under
// maxBytes by dropping whole runs from its start. Returns why it could not, or "".
std::string appendRun(const std::string& path, const ResultStore& plan, const CarryOutResult& run,
                      const RunFacts& facts, std::size_t maxBytes = 4 << 20);

// Carries the plan out and logs the run (unless logPath is empty): the result names the log, or
// carries a note that it could not be written.
CarryOutResult carryOutAndLog(const ResultStore& plan, FileOps& files,
                              const CarryOutControl& control, const RunFacts& folders,
                              const std::string& logPath);

} // namespace parlowen
