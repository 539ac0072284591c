// The folder scan: every plain file under a root folder, as result rows in walk order.
#pragma once

#include "compare/result_row.h"
#include "platform/messages.h"

#include <functional>
#include <string>
#include <vector>

namespace parlowen::Main {

// Called once per folder; returning false abandons the scan (the program is ending).
using YieldFn = std::function<bool()>;

struct ScanOutcome
{
    std::vector<ResultRow> rows;
    bool abandoned = false;
};

// The folder box text less one trailing "/"; the file-system root "/" stays "/".
std::string rootOf(const std::string& boxText);

// The full path of a relative name under a root.
std::string fullPath(const std::string& root, const std::string& relativeName);

// The root as a folder text ending in "/".
std::string rootFolderText(const std::string& root);

// Scans the tree under the box's folder: the root's own files first, then those of each folder
// below it in depth-first pre-order, each folder's files in the order the file system lists
// them. Hidden entries are left out, folders already on the walk's own path are not entered
// again, and a name that is not valid UTF-8 is announced with a "Skip" message and left out.
ScanOutcome ScanFolderTree(const std::string& boxText, Messages& messages, const YieldFn& yield);

} // namespace parlowen::Main
