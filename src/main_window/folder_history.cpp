// The folder history of both folder boxes and their saved selections.
#include "main_window/folder_history.h"

#include "main_window/probes/path_probes.h"
#include "main_window/settings_keys.h"
#include "main_window/stored_numbers.h"

namespace parlowen::Main {
namespace {

std::string readHistory(const SettingsStore& settings, const char* key)
{
    return settings.read(keys::kApplication, keys::kHistorySection, key);
}

// Every piece between commas, the empty piece after the final "," included.
std::vector<std::string> splitAtCommas(const std::string& text)
{
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        if (comma == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

void appendEntries(FolderBox& box, const std::string& stored)
{
    for (const auto& entry : historyEntries(stored))
        box.addEntry(entry);
}

void selectStored(FolderBox& box, std::optional<std::int16_t> position)
{
    if (box.count() == 0)
        return;
    const bool inList = position && *position >= 0 && *position < box.count();
    box.select(inList ? *position : -1);
}

} // namespace

std::vector<std::string> historyEntries(const std::string& stored)
{
    if (stored.empty())
        return {};
    // The last character is the "," that ends the last entry.
    return splitAtCommas(stored.substr(0, stored.size() - 1));
}

void LoadFolderHistory(FolderBoxes boxes, const SettingsStore& settings)
{
    appendEntries(boxes.left, readHistory(settings, keys::kLeftCombo));
    appendEntries(boxes.right, readHistory(settings, keys::kRightCombo));
}

void RestoreSelections(FolderBoxes boxes, const SettingsStore& settings)
{
    // Both are read first: selecting writes both positions again.
    const auto left =
        parseInt16(settings.read(keys::kApplication, keys::kWindowSection, keys::kLeftComboIndex));
    const auto right =
        parseInt16(settings.read(keys::kApplication, keys::kWindowSection, keys::kRightComboIndex));
    selectStored(boxes.left, left);
    selectStored(boxes.right, right);
}

void RememberFolder(FolderBox& box, const std::string& key, const std::string& text,
                    SettingsStore& settings)
{
    if (text.empty() || (text.size() == 2 && text[1] == ':'))
        return;
    const std::string stored = settings.read(keys::kApplication, keys::kHistorySection, key);
    for (const auto& entry : historyEntries(stored)) {
        if (entry == text || entry + "/" == text)
            return;
    }
    settings.write(keys::kApplication, keys::kHistorySection, key, stored + text + ",");
    // Only this box's list grows; the other box and its text stay as they are.
    box.addEntry(text);
    if (box.text() == text)
        box.select(box.count() - 1);
}

void SaveSelections(FolderBoxes boxes, SettingsStore& settings)
{
    settings.write(keys::kApplication, keys::kWindowSection, keys::kLeftComboIndex,
                   std::to_string(boxes.left.selectedPosition()));
    settings.write(keys::kApplication, keys::kWindowSection, keys::kRightComboIndex,
                   std::to_string(boxes.right.selectedPosition()));
}

} // namespace parlowen::Main
