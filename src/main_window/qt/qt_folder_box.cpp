// A folder box over an editable QComboBox.
#include "main_window/qt/qt_folder_box.h"

#include "platform/qt/path_text.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace parlowen {

std::string QtFolderBox::text() const
{
    return textToPath(m_combo->currentText());
}

void QtFolderBox::clearList()
{
    m_combo->clear();
    m_combo->setEditText(QString());
}

void QtFolderBox::addEntry(const std::string& entry)
{
    // QComboBox selects the first item added to an empty list; an entry added to the history
    // must leave the text and the selection alone, so that is undone silently.
    const QSignalBlocker blocker(m_combo);
    const int before = m_combo->currentIndex();
    const QString text = m_combo->currentText();
    m_combo->addItem(pathToText(entry));
    if (m_combo->currentIndex() != before) {
        m_combo->setCurrentIndex(before);
        m_combo->setEditText(text);
    }
}

int QtFolderBox::count() const
{
    return m_combo->count();
}

void QtFolderBox::select(int position)
{
    m_combo->setCurrentIndex(position);
}

int QtFolderBox::selectedPosition() const
{
    return m_combo->currentIndex();
}

} // namespace parlowen
