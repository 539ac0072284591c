// The main window's size and state: start-up from the stored values, the layout on every
// change, and saving the state and height.
#include "main_window/qt/form1.h"

#include "main_window/settings_keys.h"
#include "main_window/stored_numbers.h"
#include "platform/twips.h"

#include <QEvent>

namespace parlowen {

void Form1::applyStartupWindow()
{
    m_frameWatch.setSingleShot(true);
    m_frameWatch.setInterval(50);
    connect(&m_frameWatch, &QTimer::timeout, this, &Form1::applyPendingHeight);
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
    // Also a window that starts maximized or minimized gets its designed width and the stored
    // height once it is first restored.
    m_normalGeometryPending = true;
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
}

void Form1::applyPendingHeight()
{
    // Until the window manager has framed the window, its outer size is only its inside; the
    // designed width and the stored outer height are applied once the frame is known, and
    // again while the frame settles (a restored window trades the maximized frame for its own).
    if (!isVisible() || currentState() != WindowState::Normal || !m_normalGeometryPending)
        return;
    const int frameHeight = frameGeometry().height() - QWidget::height();
    if (frameHeight > 0) {
        if (!m_pendingHeight)
            m_pendingHeight = outerHeightTwips(this); // the first start keeps its inside
        const QSize inside(twipsToPixels(kDesignedClientWidth),
                           std::max(1, twipsToPixels(*m_pendingHeight) - frameHeight));
        if (inside != size())
            resize(inside);
        else
            Form_Resize();
        m_frameChecks = std::min(m_frameChecks, 6);
    }
    // A platform without frames (offscreen) never gets one: give up after a while.
    if (m_frameChecks-- > 0) {
        if (!m_frameWatch.isActive())
            m_frameWatch.start();
    } else {
        m_normalGeometryPending = false;
        m_pendingHeight.reset();
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
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
        // The window manager puts its own idea of the restored size in place after this.
        if (currentState() == WindowState::Normal && m_normalGeometryPending) {
            m_frameChecks = kFrameChecks;
            m_frameWatch.start();
        }
    }
    if (event->type() == QEvent::ActivationChange)
        applyPendingHeight();
}

} // namespace parlowen
