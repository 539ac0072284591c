// Message boxes with an OK button only and no icon.
#include "platform/qt/qt_messages.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace parlowen {
namespace {

// The room a message may take: the screen of the window it belongs to, less its frame.
QRect roomFor(QWidget* parent)
{
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    constexpr int kFrame = 60; // the title bar and borders the window manager adds
    return screen->availableGeometry().adjusted(0, 0, 0, -kFrame);
}

// A message too tall for the screen: its text scrolls and its OK stays in view.
void showScrolling(const QString& title, const QString& text, QWidget* parent, const QRect& room)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("MessageText"));
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    dialog.setMaximumHeight(room.height());
    dialog.resize(std::min(640, room.width()), room.height());
    dialog.exec();
}

} // namespace

void QtMessages::show(const std::string& title, const std::string& text)
{
    QWidget* parent = QApplication::activeWindow();
    const QString caption =
        title.empty() ? QStringLiteral("Parlowen") : QString::fromStdString(title);
    QMessageBox box(QMessageBox::NoIcon, caption, QString::fromStdString(text), QMessageBox::Ok,
                    parent);
    const QRect room = roomFor(parent);
    if (box.sizeHint().height() > room.height()) {
        showScrolling(caption, box.text(), parent, room);
        return;
    }
    box.exec();
}

bool QtMessages::ask(const std::string& title, const std::string& text)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace parlowen
