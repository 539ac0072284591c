// Enter in a folder box: it runs the box's command, except while the box's list is open, where
// it chooses from the list. Some platforms (a frame buffer without a window manager) give the
// box's line edit the key even while its list is open.
#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace parlowen {

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

} // namespace parlowen
