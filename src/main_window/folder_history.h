// The folder history of both folder boxes and their saved selections.
#pragma once

#include "main_window/folder_box.h"
#include "platform/settings_store.h"

#include <string>
#include <vector>

namespace parlowen::Main {

// The entries of a stored history text: "/music,/media/p," holds "/music" and "/media/p".
std::vector<std::string> historyEntries(const std::string& stored);

// Appends the stored entries of each box's history to its list.
void LoadFolderHistory(FolderBoxes boxes, const SettingsStore& settings);

// Selects in each box the entry at its stored position; an unusable position selects nothing.
void RestoreSelections(FolderBoxes boxes, const SettingsStore& settings);

// Keeps a folder in the box's history under the key once it is used (compared, browsed to,
// dropped), when the history does not hold it yet: the box lists it last, and selects it while
// the box still shows it. Typing stores nothing, so a typed path leaves no trail of its
// parents. The folder is known to be one: nothing is looked at on the disk.
void RememberFolder(FolderBox& box, const std::string& key, const std::string& folder,
                    SettingsStore& settings);

// Writes the selected positions of both boxes (what a selection in either box does).
void SaveSelections(FolderBoxes boxes, SettingsStore& settings);

} // namespace parlowen::Main
