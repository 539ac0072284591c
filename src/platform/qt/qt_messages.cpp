// Message boxes with an OK button only and no icon.
#include "platform/qt/qt_messages.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>


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
    // Read-only text that wraps long paths anywhere and scrolls.
    auto* scroll = new QPlainTextEdit(text);
    scroll->setObjectName(QStringLiteral("MessageText"));
    scroll->setReadOnly(true);
    scroll->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->viewport()->setAutoFillBackground(false);
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

// Whether the box would not fit in that height. A message box settles its size only once it is
// shown; its text is laid out here as it lays it out, at most some 500 pixels wide.
bool tallerThan(const QMessageBox& box, int height)
{
    constexpr int kTextWidth = 500;
    constexpr int kAroundText = 120; // margins, spacing and the row of buttons
    const int textHeight =
        box.fontMetrics()
            .boundingRect(QRect(0, 0, kTextWidth, QWIDGETSIZE_MAX), Qt::TextWordWrap, box.text())
            .height();
    return std::max(textHeight + kAroundText, box.sizeHint().height()) > height;
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
    if (tallerThan(box, room.height())) {
        showScrolling(caption, box.text(), parent, room);
        return;
    }
    box.exec();
}

std::size_t QtMessages::choose(const std::string& title, const std::string& text,
                               const std::vector<std::string>& choices)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    std::vector<QPushButton*> buttons;
    for (const auto& choice : choices)
        buttons.push_back(box.addButton(QString::fromStdString(choice), QMessageBox::ActionRole));
    box.setDefaultButton(buttons.back());
    box.setEscapeButton(buttons.back());
    box.exec();
    const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return pressed == buttons.end() ? buttons.size() - 1
                                    : static_cast<std::size_t>(pressed - buttons.begin());
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
