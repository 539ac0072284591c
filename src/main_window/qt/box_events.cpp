// What the folder boxes watch for.
#include "main_window/qt/box_events.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace parlowen {

EnterInBox::EnterInBox(QComboBox* box, std::function<void()> command)
    : QObject(box), m_box(box), m_command(std::move(command))
{
    // The key comes to the box, which hands it to its line edit past any filter, or to the
    // line edit itself; this filter is installed after the box's own, so it sees it first.
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
}

bool EnterInBox::eventFilter(QObject*, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (m_box->view()->isVisible()) {
        const int row = m_box->view()->currentIndex().row();
        m_box->hidePopup();
        if (row >= 0)
            m_box->setCurrentIndex(row);
    } else {
        m_command();
    }
    return true;
}

ShowWatch::ShowWatch(QObject* watched, std::function<void()> shown, QObject* parent)
    : QObject(parent), m_shown(std::move(shown))
{
    watched->installEventFilter(this);
}

bool ShowWatch::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Show)
        m_shown();
    return false;
}

} // namespace parlowen
