// The platform objects the forms work through, built once in main() or in a test fixture.
#pragma once

#include "platform/file_ops.h"
#include "platform/folder_dialog.h"
#include "platform/messages.h"
#include "platform/mtp_device.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

#include <string>

namespace parlowen {

struct Services
{
    SettingsStore& settings;
    Messages& messages;
    FileOps& files;
    Shell& shell;
    FolderDialog& folderDialog;
    std::string programFolder; // the folder that holds the executable, where its cursor files lie
    std::string syncLog;       // where every Sync is logged; "" for no log
    MtpDevices* devices = nullptr; // the players that speak MTP; none where they cannot be reached
};

} // namespace parlowen
