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
#include "platform/services.h"

#include <deque>

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
    MemorySettingsStore settings;
    RecordingMessages messages;
    FaultyFileOps files; // the real operations unless a test makes one fail or wait
    RecordingShell shell;
    ScriptedFolderDialog folderDialog;
    TempTree logFolder; // the Sync log of the test's runs
    Services services;
};

} // namespace parlowen::testing
