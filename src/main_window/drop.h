// Turning the items of a drop on a result list into folders for the box above it, and the
// check-mark rule of a click in the left list.
#pragma once

#include "compare/result_row.h"

#include <optional>
#include <string>
#include <vector>

namespace parlowen {

inline constexpr const char* kVirtualFolderDrop =
    "You can not drag and drop virtual folders like My Documents. Instead browse to "
    "C:\\Documents and Settings\\Your Name\\My Documents, for example, or try to drag and drop "
    "subfolders within My Documents";

// One dropped item: its local path, or nothing for an item that is no local path.
using DroppedItem = std::optional<std::string>;

// The folder a dropped item stands for: a folder itself, or the folder a file lies in; nothing
// when the item holds no folder part.
std::optional<std::string> folderForDroppedItem(const DroppedItem& item);

// The folders a drop puts into the box, one after the other: one per item, up to the first item
// that holds no folder (then refused is set and the "Error" box explains).
struct DropOutcome
{
    std::vector<std::string> folders;
    bool refused = false;
};
DropOutcome foldersForDrop(const std::vector<DroppedItem>& items);

// Reverses the check marks of the selected rows when the clicked text is not already part of the
// last clicked text, and remembers it; the rows are given by their positions.
void toggleCheckMarks(std::vector<ResultRow>& rows, const std::vector<int>& selected,
                      const std::string& clickedText, std::string& lastClickedText);

} // namespace parlowen
