// Turning dropped items into folders, and the check-mark rule.
#include "main_window/drop.h"

#include "main_window/probes/path_probes.h"

namespace parlowen {

std::optional<std::string> folderForDroppedItem(const DroppedItem& item)
{
    if (!item)
        return std::nullopt;
    if (OldMain::IsFolder(*item))
        return *item;
    const std::string folder = OldMain::FolderPartOf(*item);
    if (folder.empty())
        return std::nullopt;
    // The root keeps its "/": a file in "/" stands for "/", not for the empty text.
    return folder == "/" ? folder : folder.substr(0, folder.size() - 1);
}

DropOutcome foldersForDrop(const std::vector<DroppedItem>& items)
{
    DropOutcome outcome;
    for (const DroppedItem& item : items) {
        auto folder = folderForDroppedItem(item);
        if (!folder) {
            outcome.refused = true;
            break;
        }
        outcome.folders.push_back(std::move(*folder));
    }
    return outcome;
}

void toggleCheckMarks(std::vector<ResultRow>& rows, const std::vector<int>& selected,
                      const std::string& clickedText, std::string& lastClickedText)
{
    if (selected.empty() || lastClickedText.find(clickedText) != std::string::npos)
        return;
    lastClickedText = clickedText;
    for (int row : selected)
        rows[static_cast<std::size_t>(row)].checked = !rows[static_cast<std::size_t>(row)].checked;
}

} // namespace parlowen
