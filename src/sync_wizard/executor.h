// Carrying a plan out: each operation copies its source through a temporary file, so a target
// is only ever replaced by a complete, flushed copy, and only a target the comparison saw.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "sync_wizard/player_names.h"

#include <string>
#include <vector>

namespace parlowen {

struct FailedOperation
{
    std::string sourcePath;
    std::string targetPath;
    std::string reason; // in a player owner's words, with the step it stopped at
};

// Runs every operation in plan order; one failure does not stop the others. Returns the
// operations that failed. Every copy that succeeded is on the device when this returns.
std::vector<FailedOperation> carryOut(const ResultStore& plan, FileOps& files);

// The "Error" text naming each failed operation: the first 20, then how many more.
std::string failureReport(const std::vector<FailedOperation>& failures);

} // namespace parlowen
