// The folder scan: every plain file under a root folder, as result rows in walk order.
#pragma once

#include "compare/growing_rows.h"
#include "compare/result_row.h"

#include <stop_token>
#include <string>
#include <vector>

namespace parlowen::Main {

struct ScanOutcome
{
    std::vector<ResultRow> rows;
    std::vector<std::string> skipped; // the "Skip" sentence of each entry left out, in walk order
    bool abandoned = false;           // stopped before the end: the rows are incomplete
    // What could not be read, by relative name: folders end in "/" ("Album/"), files do not.
    // The other side's files there cannot be judged.
    std::vector<std::string> unreadable = {};
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
// again, and a name that is not valid UTF-8 is left out with a "Skip" sentence. A stop request
// is honoured at the next folder. Given live rows, the rows go there instead, a folder at a time,
// and the outcome's rows stay empty.
ScanOutcome ScanFolderTree(const std::string& boxText, std::stop_token stop = {},
                           GrowingRows* live = nullptr);

// Why a box text cannot be compared ("it does not exist", "it cannot be read (permission
// denied)"), or "" for a folder that can be listed. It may wait on a device.
std::string rootProblem(const std::string& boxText);

// What the "Skip" message says of an entry left out.
std::string skipSentence(const std::string& path);

} // namespace parlowen::Main
