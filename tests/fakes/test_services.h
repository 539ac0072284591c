// The platform objects of a form test: settings in memory, messages and shell requests recorded,
// folder dialog answers given in advance, real file operations.
#pragma once

#include "fakes/faulty_file_ops.h"
#include "fakes/memory_settings_store.h"
#include "fakes/recording_messages.h"
#include "fakes/recording_shell.h"
#include "fakes/temp_tree.h"
#include "platform/folder_dialog.h"
#include "platform/posix_file_ops.h"
#include "platform/qt/background_job.h"
#include "platform/services.h"

#include <deque>

#include <QCoreApplication>

namespace parlowen::testing {

class ScriptedFolderDialog final : public FolderDialog
{
public:
    std::deque<std::string> answers; // "" stands for a cancelled dialog
    std::vector<std::string> prompts;
    std::string browseForFolder(const std::string& prompt) override
    {
        prompts.push_back(prompt);
        if (answers.empty())
            return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct TestServices
{
    explicit TestServices(std::string programFolder = "/nonexistent")
        : services{settings,
                   messages,
                   files,
                   shell,
                   folderDialog,
                   std::move(programFolder),
                   logFolder.path("sync.log")}
    {
    }
    // A wizard's look at the devices belongs to the application and may outlive the test's
    // windows: it ends before the file operations it uses go.
    ~TestServices()
    {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            for (auto* job : app->findChildren<BackgroundJob*>())
                job->waitFor(30000);
        }
    }
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;
    MemorySettingsStore settings;
    RecordingMessages messages;
    FaultyFileOps files; // the real operations unless a test makes one fail or wait
    RecordingShell shell;
    ScriptedFolderDialog folderDialog;
    TempTree logFolder; // the Sync log of the test's runs
    Services services;
};

} // namespace parlowen::testing
