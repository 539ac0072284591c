// Builds the real platform objects and shows the main window.
#include "main_window/qt/form1.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/qt_folder_dialog.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_settings_store.h"
#include "platform/qt/qt_shell.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlowen"));

    parlowen::QtSettingsStore settings(parlowen::QtSettingsStore::userFolder());
    parlowen::QtMessages messages;
    parlowen::PosixFileOps files;
    const std::string programFolder =
        QFile::encodeName(QApplication::applicationDirPath()).toStdString();
    parlowen::QtShell shell(programFolder);
    parlowen::QtFolderDialog folderDialog;
    parlowen::Services services{settings, messages, files, shell, folderDialog, programFolder};

    parlowen::ResultStore results;
    parlowen::Form1 window(services, results);
    QObject::connect(&window, &parlowen::Form1::exitRequested, &app, &QApplication::quit);
    window.show();
    return QApplication::exec();
}
