// The main window's stored state and height: applied at start-up once the window manager has
// framed the window, saved at every change of size or state, with the layout run in between.
#pragma once

#include "main_window/form1_layout.h"
#include "main_window/stored_numbers.h"
#include "platform/settings_store.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;

namespace parlowen {

class StoredWindowSize final : public QObject
{
public:
    // layOut gets the window's outer width and height in twips.
    StoredWindowSize(QWidget* window, SettingsStore& settings,
                     std::function<void(double, double)> layOut);

    // Reads the stored state and height and applies them; from here on changes are saved.
    void applyStored();
    // Lays the window out for its size and saves its state and height.
    void resized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void resizeToOuterHeight(double twips);
    void applyPendingHeight();
    WindowState currentState() const;

    QWidget* m_window;
    SettingsStore& m_settings;
    std::function<void(double, double)> m_layOut;
    bool m_loaded = false;
    // The outer height (twips) the window has when neither minimized nor maximized; it is what
    // gets saved while the window is minimized or maximized, so a restore brings it back.
    double m_normalHeight = 0;
    // A stored height applied before the window had its frame; set again once the frame is known.
    std::optional<double> m_pendingHeight;
    // The designed width and the stored outer height wait for the frame and a normal state.
    bool m_normalGeometryPending = false;
    static constexpr int kFrameChecks = 40; // every 50 ms: two seconds at most
    int m_frameChecks = kFrameChecks;
    QTimer m_frameWatch;
};

} // namespace parlowen
