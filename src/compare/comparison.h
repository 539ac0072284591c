// Matching the rows of two scanned trees: statuses, icons and the plan of operations.
#pragma once

#include "compare/folder_scan.h"
#include "compare/result_store.h"

namespace parlowen {

struct Comparison
{
    std::vector<ResultRow> left;
    std::vector<ResultRow> right;
    ResultStore plan;
    bool abandoned = false;
};

// Marks every row of both sides and plans the operations that make the trees agree: first the
// left rows' overwrites and copies in left order, then the right-only copies in right order.
// The roots are the sides' root texts (no trailing "/" except for "/" itself).
void matchRows(Comparison& comparison, const std::string& leftRoot, const std::string& rightRoot);

// Scans both roots (left, then right) and matches them.
Comparison compareFolders(const std::string& leftRoot, const std::string& rightRoot,
                          Messages& messages, const Main::YieldFn& yield);

} // namespace parlowen

namespace parlowen {

inline constexpr const char* kInvalidFolders =
    "Please make sure you have two valid folders selected.";

} // namespace parlowen
