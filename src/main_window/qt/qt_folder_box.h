// A folder box over an editable QComboBox.
#pragma once

#include "main_window/folder_box.h"

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

private:
    QComboBox* m_combo;
};

} // namespace parlowen
