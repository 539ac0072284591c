// A folder box over an editable QComboBox.
#pragma once

#include "main_window/folder_box.h"

#include <QString>

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

// Paths are bytes; the boxes show them in the file-name encoding.
QString pathToText(const std::string& path);
std::string textToPath(const QString& text);

} // namespace parlowen
