// Message boxes with an OK button only and no icon.
#include "platform/qt/qt_messages.h"

#include <QApplication>
#include <QMessageBox>

namespace parlowen {

void QtMessages::show(const std::string& title, const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon,
                    title.empty() ? QStringLiteral("Parlowen") : QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
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
