// A folder box over an editable QComboBox.
#pragma once

#include "main_window/folder_box.h"

#include <vector>

class QComboBox;

namespace parlowen {

class QtFolderBox final : public FolderBox
{
public:
    explicit QtFolderBox(QComboBox* combo) : m_combo(combo) {}
    std::string text() const override;
    void clearList() override;
    void addEntry(const std::string& entry) override;
    int count() const override;
    void select(int position) override;
    int selectedPosition() const override;
    // Shows the players attached below the history, replacing those shown before; they are
    // offered, not kept, and the history routines never see them.
    void offerDevices(const std::vector<std::string>& addresses);

private:
    QComboBox* m_combo;
};

} // namespace parlowen
