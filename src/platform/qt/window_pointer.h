// A window's mouse pointer as the window shows it, and the watch that reports pointer moves
// over chosen children.
#pragma once

#include "platform/pointer.h"

#include <QCursor>
#include <QObject>

#include <functional>
#include <initializer_list>
#include <string>

class QWidget;

namespace parlowen {

class WindowPointer
{
public:
    explicit WindowPointer(QWidget* window) : m_window(window) {}

    PointerState& state() { return m_state; }
    const PointerState& state() const { return m_state; }

    // Shows the state's pointer. The cursor file is read again only when the custom image
    // changes; a file that is no readable cursor shows as the arrow.
    void apply();

private:
    QWidget* m_window;
    PointerState m_state;
    QCursor m_custom;
    std::string m_loaded; // the file m_custom was read from
};

// Calls onMove with the widget for every pointer move over one of the widgets. The window
// itself only hears of moves over its own surface once a child has passed them on.
class MoveWatch final : public QObject
{
public:
    MoveWatch(std::initializer_list<QWidget*> widgets, std::function<void(QObject*)> onMove,
              QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(QObject*)> m_onMove;
};

} // namespace parlowen
