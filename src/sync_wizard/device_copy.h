// Copies onto players that speak MTP. A device that renames gets the drive's protocol: the file
// goes up under a hidden temporary name, the old one (of an overwrite) is removed only once the
// new one is whole, then the new one takes the name. A device that cannot rename gets the file
// under its own name, the old one removed just before. Every upload is recorded in the journal
// before it starts and forgotten once the device holds the whole file.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"
#include "platform/mtp_device.h"
#include "platform/upload_journal.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/step_failure.h"

#include <functional>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace parlowen {

// A folder of a player as a run finds it.
struct PlayerFolder
{
    std::shared_ptr<MtpDevice> device = {};
    std::uint32_t storage = 0;
    std::uint32_t handle = kMtpStorageTop;
    std::string where = {};                // "mtp://HOST/STORAGE": the device as the room check names it
    std::vector<std::string> missing = {}; // its folders below the compared one that do not exist yet
    std::string problem = {};              // why it cannot be reached, or ""
    std::int64_t freeBytes = 0;            // of its storage; no more than the storage holds
};

// Finds folders of players by their addresses; never makes one at or above the compared folder.
class PlayerFolders
{
public:
    PlayerFolders(MtpDevices& devices, const SyncRoots& roots) : m_devices(devices), m_roots(roots) {}

    // The folder of an address ending in "/"; what is missing below the compared folder is
    // listed, not made.
    PlayerFolder find(const std::string& folder);
    // Makes the folder's missing folders, parents first: why not, or "".
    std::string make(const std::string& folder, PlayerFolder& found);

private:
    std::shared_ptr<MtpDevice> open(const std::string& host, std::string& problem);

    MtpDevices& m_devices;
    const SyncRoots& m_roots;
    std::map<std::string, std::shared_ptr<MtpDevice>> m_open;
    std::map<std::string, PlayerFolder> m_found; // by folder address
};

class DeviceCopier
{
public:
    DeviceCopier(MtpDevices& devices, FileOps& files, const SyncRoots& roots, bool createFolders,
                 std::string missingFolderHint);

    // Copies the operation's source (on the PC) onto the player, telling sent the bytes sent.
    // A stop lets a file with little left to send finish; a larger one is cancelled and what
    // it left removed (the failure's error is operation_canceled).
    StepFailure copy(const PlannedOperation& op, const std::stop_token& stop,
                     const std::function<void(std::int64_t)>& sent);
    // A sentence for each player written to (it keeps its own times), and for each unfinished
    // copy of an earlier run that was removed.
    std::vector<std::string> takeNotes() { return std::move(m_notes); }

private:
    StepFailure upload(PlayerFolder& folder, const UploadEntry& entry, int fd,
                       const std::stop_token& stop, const std::function<void(std::int64_t)>& sent,
                       std::uint32_t& handle);
    // Removes what a failed upload left and forgets its record; whether that was done.
    bool clearAfterFailedUpload(PlayerFolder& folder, const UploadEntry& entry,
                                std::uint32_t handle);
    void firstUseOf(MtpDevice& device);

    FileOps& m_files;
    MtpDevices& m_devices;
    PlayerFolders m_folders;
    UploadJournal m_journal;
    bool m_createFolders;
    std::string m_missingFolderHint;
    std::vector<std::string> m_notes;
    std::vector<std::string> m_used; // the hosts written to so far
};

} // namespace parlowen
