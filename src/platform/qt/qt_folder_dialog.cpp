// The folder dialog of Qt, folders only.
#include "platform/qt/qt_folder_dialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>

namespace parlowen {

std::string QtFolderDialog::browseForFolder(const std::string& prompt)
{
    const QString folder = QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                             QString::fromStdString(prompt),
                                                             QString(), QFileDialog::ShowDirsOnly);
    return QFile::encodeName(folder).toStdString();
}

} // namespace parlowen
