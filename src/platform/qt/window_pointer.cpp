// A window's mouse pointer.
#include "platform/qt/window_pointer.h"

#include "platform/qt/qt_widgets.h"

#include <QEvent>
#include <QWidget>

namespace parlowen {

void WindowPointer::apply()
{
    if (!m_state.customImage.empty() && m_state.customImage != m_loaded) {
        if (const auto cursor = loadCursorFile(m_state.customImage)) {
            m_custom = *cursor;
            m_loaded = m_state.customImage;
        }
    }
    switch (m_state.mode) {
    case PointerMode::Arrow:
        m_window->setCursor(Qt::ArrowCursor);
        break;
    case PointerMode::Hourglass:
        m_window->setCursor(Qt::WaitCursor);
        break;
    case PointerMode::Custom:
        m_window->setCursor(m_loaded.empty() ? QCursor(Qt::ArrowCursor) : m_custom);
        break;
    }
}

MoveWatch::MoveWatch(std::initializer_list<QWidget*> widgets,
                     std::function<void(QObject*)> onMove, QObject* parent)
    : QObject(parent), m_onMove(std::move(onMove))
{
    for (QWidget* widget : widgets) {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }
}

bool MoveWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        m_onMove(watched);
    return false;
}

} // namespace parlowen
