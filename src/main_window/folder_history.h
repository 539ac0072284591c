// The folder history of both folder boxes and their saved selections.
#pragma once

#include "main_window/folder_box.h"
#include "platform/settings_store.h"

#include <string>
#include <vector>

namespace parlowen::Main {

// The entries of a stored history text: "/music,/media/p," holds "/music" and "/media/p".
std::vector<std::string> historyEntries(const std::string& stored);

// True when the text is a leading part of a stored entry, or of an entry followed by "/".
bool isCovered(const std::string& stored, const std::string& text);

// Appends the stored entries of each box's history to its list.
void LoadFolderHistory(FolderBoxes boxes, const SettingsStore& settings);

// Selects in each box the entry at its stored position; an unusable position selects nothing.
void RestoreSelections(FolderBoxes boxes, const SettingsStore& settings);

// Stores the box's text in the history under the key when it names a folder not yet covered,
// then reloads both boxes and selects the last entry of each.
void AddToFolderHistory(FolderBox& box, const std::string& key, FolderBoxes boxes,
                        SettingsStore& settings);

// Writes the selected positions of both boxes (what a selection in either box does).
void SaveSelections(FolderBoxes boxes, SettingsStore& settings);

} // namespace parlowen::Main
