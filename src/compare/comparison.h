// Matching the rows of two scanned trees: statuses, icons and the plan of operations.
#pragma once

#include "compare/folder_scan.h"
#include "compare/result_store.h"
#include "platform/file_ops.h"

#include <optional>

namespace parlowen {

struct Comparison
{
    std::vector<ResultRow> left;
    std::vector<ResultRow> right;
    ResultStore plan;
    std::vector<std::string> skipped =
        {}; // the "Skip" sentences: the left side's, then the right's
    bool abandoned = false;
    // Why a side could not be compared at all ("it does not exist"), or "": then nothing is
    // scanned or planned.
    std::string leftProblem = {};
    std::string rightProblem = {};
    // Which folders the roots were as the scans began; none where a root could not be read.
    std::optional<FolderIdentity> leftSeen = {};
    std::optional<FolderIdentity> rightSeen = {};
};

// Marks every row of both sides and plans the operations that make the trees agree: first the
// left rows' overwrites and copies in left order, then the right-only copies in right order.
// The roots are the sides' root texts (no trailing "/" except for "/" itself).
void matchRows(Comparison& comparison, const std::string& leftRoot, const std::string& rightRoot);
void matchRows(std::vector<ResultRow>& left, std::vector<ResultRow>& right, ResultStore& plan,
               const std::string& leftRoot, const std::string& rightRoot);

// Scans both roots at the same time, each on a thread of its own (the two sides are normally
// two devices), and matches them once both are done. A stop request abandons both scans; a
// side that is no folder or cannot be listed ends both, with its problem said.
// Given live rows, each side's rows go there as they are found (and are marked there); the
// comparison's own rows stay empty.
Comparison compareFolders(const std::string& leftRoot, const std::string& rightRoot,
                          std::stop_token stop = {}, LiveRows* live = nullptr);

// The text of the one "Skip" box of a Compare: a sentence a line, the first 20, then how many
// more.
std::string skipReport(const std::vector<std::string>& skipped);

} // namespace parlowen

namespace parlowen {

inline constexpr const char* kInvalidFolders =
    "Please make sure you have two valid folders selected.";

} // namespace parlowen
