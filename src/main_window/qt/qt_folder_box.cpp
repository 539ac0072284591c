// A folder box over an editable QComboBox.
#include "main_window/qt/qt_folder_box.h"

#include "platform/qt/path_text.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace parlowen {
namespace {

// Marks an entry that offers an attached player.
constexpr int kOfferedRole = Qt::UserRole + 1;

bool offered(const QComboBox* combo, int position)
{
    return combo->itemData(position, kOfferedRole).toBool();
}

} // namespace

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
    m_combo->insertItem(count(), pathToText(entry)); // the history ends above the players
    if (m_combo->currentIndex() != before) {
        m_combo->setCurrentIndex(before);
        m_combo->setEditText(text);
    }
}

int QtFolderBox::count() const
{
    int history = m_combo->count();
    while (history > 0 && offered(m_combo, history - 1))
        --history;
    return history;
}

void QtFolderBox::offerDevices(const std::vector<std::string>& addresses)
{
    const QSignalBlocker blocker(m_combo);
    const QString text = m_combo->currentText();
    const int selected = m_combo->currentIndex();
    for (int i = m_combo->count() - 1; i >= 0 && offered(m_combo, i); --i)
        m_combo->removeItem(i);
    for (const auto& address : addresses) {
        const QString entry = pathToText(address);
        if (m_combo->findText(entry, Qt::MatchExactly) >= 0)
            continue; // in the history already
        m_combo->addItem(entry);
        m_combo->setItemData(m_combo->count() - 1, true, kOfferedRole);
    }
    // What the user typed or chose stays in the box.
    m_combo->setCurrentIndex(selected < m_combo->count() && m_combo->itemText(selected) == text
                                 ? selected
                                 : -1);
    m_combo->setEditText(text);
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
