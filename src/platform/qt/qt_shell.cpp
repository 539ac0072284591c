// Opening files through the desktop's own opener.
#include "platform/qt/qt_shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

namespace parlowen {

void QtShell::openFile(const std::string& path)
{
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    const QString folder = QFile::decodeName(QByteArray::fromStdString(m_workingFolder));
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {file}, folder))
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

} // namespace parlowen
