// Opening files through the desktop's own opener.
#include "platform/qt/qt_shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

namespace parlowen {

void QtShell::openFile(const std::string& path, std::function<void(bool opened)> told)
{
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    // xdg-open says by its exit status whether a program took the file; it returns once the
    // program is started, so the window does not wait for the program.
    auto* opener = new QProcess();
    opener->setWorkingDirectory(QFile::decodeName(QByteArray::fromStdString(m_workingFolder)));
    QObject::connect(opener, &QProcess::finished, opener, [opener, told](int status) {
        opener->deleteLater();
        if (told)
            told(status == 0);
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, file, told](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         opener->deleteLater();
                         const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(file));
                         if (told)
                             told(opened);
                     });
    opener->start(QStringLiteral("xdg-open"), {file});
}

} // namespace parlowen
