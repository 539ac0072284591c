// The main window's stored state and height.
#include "main_window/qt/stored_window_size.h"

#include "main_window/form1_layout.h"
#include "main_window/settings_keys.h"
#include "platform/qt/qt_geometry.h"
#include "platform/twips.h"

#include <QEvent>
#include <QWidget>

namespace parlowen {

StoredWindowSize::StoredWindowSize(QWidget* window, SettingsStore& settings,
                                   std::function<void(double, double)> layOut)
    : QObject(window), m_window(window), m_settings(settings), m_layOut(std::move(layOut))
{
    m_frameWatch.setSingleShot(true);
    m_frameWatch.setInterval(50);
    connect(&m_frameWatch, &QTimer::timeout, this, &StoredWindowSize::applyPendingHeight);
    window->installEventFilter(this);
}

void StoredWindowSize::applyStored()
{
    const auto read = [this](const char* key) {
        return m_settings.read(keys::kApplication, keys::kWindowSection, key);
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
    m_normalHeight = stored.outerHeight.value_or(outerHeightTwips(m_window));
    // Also a window that starts maximized or minimized gets its designed width and the stored
    // height once it is first restored.
    m_normalGeometryPending = true;
    if (stored.state == WindowState::Maximized)
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
    else if (stored.state == WindowState::Minimized)
        m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
    resized();
}

void StoredWindowSize::resizeToOuterHeight(double twips)
{
    const int frameExtra = m_window->frameGeometry().height() - m_window->height();
    m_window->resize(m_window->width(), std::max(1, twipsToPixels(twips) - frameExtra));
}

WindowState StoredWindowSize::currentState() const
{
    if (m_window->isMinimized())
        return WindowState::Minimized;
    if (m_window->isMaximized())
        return WindowState::Maximized;
    return WindowState::Normal;
}

void StoredWindowSize::resized()
{
    if (!m_loaded)
        return;
    const double height = outerHeightTwips(m_window);
    m_layOut(outerWidthTwips(m_window), height);
    const WindowState state = currentState();
    if (state == WindowState::Normal)
        m_normalHeight = height;
    m_settings.write(keys::kApplication, keys::kWindowSection, keys::kWindowState,
                     std::to_string(static_cast<int>(state)));
    m_settings.write(keys::kApplication, keys::kWindowSection, keys::kFormHeight,
                     singleText(m_normalHeight));
}

void StoredWindowSize::applyPendingHeight()
{
    // Until the window manager has framed the window, its outer size is only its inside; the
    // designed width and the stored outer height are applied once the frame is known, and
    // again while the frame settles (a restored window trades the maximized frame for its own).
    if (!m_window->isVisible() || currentState() != WindowState::Normal ||
        !m_normalGeometryPending)
        return;
    const int frameHeight = m_window->frameGeometry().height() - m_window->height();
    if (frameHeight > 0) {
        if (!m_pendingHeight)
            m_pendingHeight = outerHeightTwips(m_window); // the first start keeps its inside
        const QSize inside(twipsToPixels(kDesignedClientWidth),
                           std::max(1, twipsToPixels(*m_pendingHeight) - frameHeight));
        if (inside != m_window->size())
            m_window->resize(inside);
        else
            resized();
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

bool StoredWindowSize::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        resized();
        break;
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::ActivationChange:
        applyPendingHeight();
        break;
    case QEvent::WindowStateChange:
        resized();
        // The window manager puts its own idea of the restored size in place after this.
        if (currentState() == WindowState::Normal && m_normalGeometryPending) {
            m_frameChecks = kFrameChecks;
            m_frameWatch.start();
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace parlowen
