// Carrying a plan out: each operation copies its source over its target through a temporary
// file, so a target is only ever replaced by a complete, flushed copy.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"

#include <string>
#include <vector>

namespace parlowen {

struct FailedOperation
{
    std::string sourcePath;
    std::string targetPath;
    std::string reason; // the system's reason and the step it stopped at
};

// The hidden file in the target's folder that a copy is written to before it replaces the
// target. The same target always gets the same name, so a copy killed half way leaves at most
// one such file, which the next copy to that target clears.
std::string temporaryPathFor(const std::string& targetPath);

// Runs every operation in plan order; one failure does not stop the others. Returns the
// operations that failed. Every copy that succeeded is on the device when this returns.
std::vector<FailedOperation> carryOut(const ResultStore& plan, FileOps& files);

// The "Error" text naming each failed operation: the first 20, then how many more.
std::string failureReport(const std::vector<FailedOperation>& failures);

} // namespace parlowen
