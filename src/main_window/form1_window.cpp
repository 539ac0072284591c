// The main window's size and state: start-up from the stored values, the layout on every
// change, and saving the state and height.
#include "main_window/form1.h"

#include "main_window/settings_keys.h"
#include "main_window/stored_numbers.h"
#include "platform/twips.h"

#include <QEvent>

namespace parlowen {

void Form1::applyStartupWindow()
{
    const auto read = [this](const char* key) {
        return m_services.settings.read(keys::kApplication, keys::kWindowSection, key);
    };
    // Both are read before either is applied: applying writes both again.
    const StartupWindow stored = startupWindow(read(keys::kWindowState), read(keys::kFormHeight));
    m_loaded = true;
    // The height goes to the window's normal geometry first, so that a window restored from
    // minimized or maximized comes back at its old height.
    if (stored.outerHeight) {
        resizeToOuterHeight(*stored.outerHeight);
        m_pendingHeight = *stored.outerHeight;
    }
    m_normalHeight = stored.outerHeight.value_or(outerHeightTwips(this));
    if (stored.state == WindowState::Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    else if (stored.state == WindowState::Minimized)
        setWindowState(windowState() | Qt::WindowMinimized);
    Form_Resize();
}

void Form1::resizeToOuterHeight(double twips)
{
    const int frameExtra = frameGeometry().height() - height();
    resize(width(), std::max(1, twipsToPixels(twips) - frameExtra));
}

WindowState Form1::currentState() const
{
    if (isMinimized())
        return WindowState::Minimized;
    if (isMaximized())
        return WindowState::Maximized;
    return WindowState::Normal;
}

void Form1::Form_Resize()
{
    if (!m_loaded)
        return;
    const double height = outerHeightTwips(this);
    layOutForm1(*m_surface, outerWidthTwips(this), height);
    const WindowState state = currentState();
    if (state == WindowState::Normal)
        m_normalHeight = height;
    auto& settings = m_services.settings;
    settings.write(keys::kApplication, keys::kWindowSection, keys::kWindowState,
                   std::to_string(static_cast<int>(state)));
    settings.write(keys::kApplication, keys::kWindowSection, keys::kFormHeight,
                   singleText(m_normalHeight));
    applyPendingHeight();
}

void Form1::applyPendingHeight()
{
    // Before the first showing the frame is unknown; once it is, the stored outer height is
    // applied again so the window does not grow by its title bar at every start.
    if (m_pendingHeight && currentState() == WindowState::Normal && isVisible() &&
        frameGeometry().height() > QWidget::height()) {
        const double pending = *m_pendingHeight;
        m_pendingHeight.reset();
        resizeToOuterHeight(pending);
    }
}

void Form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyPendingHeight();
}

void Form1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    applyPendingHeight();
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

} // namespace parlowen
