// Builds the real platform objects and shows the main window.
#include "main_window/qt/form1.h"
#include "platform/end_signals.h"
#include "platform/mtp_devices.h"
#include "platform/open_file_limit.h"
#include "platform/upload_journal.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/background_job.h"
#include "platform/qt/qt_folder_dialog.h"
#include "platform/qt/qt_messages.h"
#include "platform/qt/qt_settings_store.h"
#include "platform/qt/qt_shell.h"
#include "sync_wizard/qt/form3.h"
#include "sync_wizard/sync_log.h"

#include <QApplication>
#include <QFile>

#include <cstdlib>

namespace {

// SIGINT or SIGTERM (logging out): a copy in progress stops cleanly, then the program ends.
void endOnSignal()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* wizard = qobject_cast<parlowen::Form3*>(window); wizard && wizard->copying()) {
            wizard->endProgram();
            return;
        }
    }
    QApplication::closeAllWindows();
    QApplication::quit();
}

// A copy, or a look at a device, that has not ended within the time.
bool workStuck()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* wizard = qobject_cast<parlowen::Form3*>(window); wizard && wizard->copying())
            return true;
    }
    for (auto* job : QCoreApplication::instance()->findChildren<parlowen::BackgroundJob*>()) {
        if (!job->waitFor(100))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // First, so that every thread started later leaves the signals to it.
    parlowen::EndSignals endSignals([] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, &endOnSignal, Qt::QueuedConnection);
    });
    parlowen::raiseOpenFileLimit(); // a run holds each of its target folders open
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlowen"));

    parlowen::QtSettingsStore settings(parlowen::QtSettingsStore::userFolder());
    parlowen::QtMessages messages;
    parlowen::PosixFileOps files;
    const std::string programFolder =
        QFile::encodeName(QApplication::applicationDirPath()).toStdString();
    parlowen::QtShell shell(programFolder);
    parlowen::QtFolderDialog folderDialog;
    parlowen::LibmtpDevices devices;
    devices.journalPath = parlowen::uploadJournalPath();
    parlowen::Services services{settings,     messages,      files,
                                shell,        folderDialog,  programFolder,
                                parlowen::syncLogPath(),     &devices};

    parlowen::ResultStore results;
    parlowen::Form1 window(services, results);
    QObject::connect(&window, &parlowen::Form1::exitRequested, &app, &QApplication::quit);
    window.show();
    const int status = QApplication::exec();
    endSignals.stopCalling(); // the application is about to go
    // Settings are written as they change. A scan or copy stuck on a device that does not
    // answer would hold the program for ever: it is left, and the program ends.
    if (!window.compareEndsWithin(500) || workStuck())
        std::_Exit(status);
    return status;
}
