// What the folder boxes watch for: Enter, and their list opening.
#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace parlowen {

// Enter in a folder box runs the box's command, except while the box's list is open, where it
// chooses from the list. Some platforms (a frame buffer without a window manager) give the
// box's line edit the key even while its list is open.
class EnterInBox final : public QObject
{
    Q_OBJECT
public:
    // Lives as long as the box.
    EnterInBox(QComboBox* box, std::function<void()> command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* m_box;
    std::function<void()> m_command;
};

// Calls back when the watched widget is shown (a box's list opening).
class ShowWatch final : public QObject
{
    Q_OBJECT
public:
    ShowWatch(QObject* watched, std::function<void()> shown, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_shown;
};

} // namespace parlowen
