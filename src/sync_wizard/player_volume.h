// Files on players that speak MTP. A player that renames gets the drive's protocol: the file
// goes up under a hidden temporary name, the old one (of an overwrite) is removed only once the
// new one is whole, then the new one takes the name. A player that cannot rename gets the file
// under its own name, the old one removed just before. Every upload is recorded in the journal
// before it starts and forgotten once the file is in place, so a kill leaves nothing that the
// next run does not find.
#pragma once

#include "platform/mtp_device.h"
#include "platform/upload_journal.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/volume.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parlowen {

// A folder of a player as a run finds it. Objects are found by name in its listing, made once
// a run: handles are never carried from Compare to the run.
struct PlayerFolder
{
    std::shared_ptr<MtpDevice> device = {};
    std::uint32_t storage = 0;
    std::uint32_t handle = kMtpStorageTop;
    std::string address = {};              // as the plan names it, ending in "/"
    std::string where = {};                // "mtp://HOST/STORAGE": the device as the room check names it
    std::vector<std::string> missing = {}; // its folders below the compared one that do not exist yet
    std::string problem = {};              // why it cannot be reached, or ""
    std::int64_t freeBytes = 0;            // of its storage; no more than the storage holds
    // What it holds, once listed; kept up to date by the run's own changes. A folder the run
    // made holds nothing, and is not asked (some players refuse to list a folder just made).
    std::optional<std::vector<MtpObject>> objects = {};
};

// Finds folders of players by their addresses; never makes one at or above the compared folder.
class PlayerFolders
{
public:
    PlayerFolders(MtpDevices& devices, const SyncRoots& roots) : m_devices(devices), m_roots(roots) {}

    // The folder of an address ending in "/", looked up once a run; what is missing below the
    // compared folder is listed, not made.
    PlayerFolder& find(const std::string& folder);
    // Makes the folder's missing folders, parents first: why not, or "".
    std::string make(PlayerFolder& found);
    // The objects in the folder, listed the first time they are asked for.
    std::error_code list(PlayerFolder& folder);

private:
    std::shared_ptr<MtpDevice> open(const std::string& host, std::string& problem);

    MtpDevices& m_devices;
    const SyncRoots& m_roots;
    std::map<std::string, std::shared_ptr<MtpDevice>> m_open;
    std::map<std::string, PlayerFolder> m_found; // by folder address
};

class PlayerVolume final : public Volume
{
public:
    PlayerVolume(MtpDevices& devices, const SyncRoots& roots, bool createFolders,
                 std::string missingHint);

    void begin(const ResultStore&, const std::stop_token&,
               const std::function<void(std::size_t, std::size_t)>&) override
    {
    }
    StepFailure open(const PlannedOperation& op, std::unique_ptr<SourceFile>& source) override;
    StepFailure create(const PlannedOperation& op, std::size_t index,
                       std::unique_ptr<NewFile>& file) override;
    void passed(std::size_t) override {}
    // Each upload is whole on the player once it has been sent.
    bool settlesInBatches() const override { return false; }
    std::error_code settle(const std::vector<NewFile*>&) override { return {}; }
    std::vector<FolderFailure> settleFolders(const std::vector<NewFile*>&) override { return {}; }
    std::vector<FolderFailure> finish() override { return {}; }
    bool worthRetry(const StepFailure&, const NewFile*) const override { return false; }
    std::vector<std::string> takeNotes() override { return std::move(m_notes); }

private:
    friend class PlayerCopy;
    void firstUseOf(MtpDevice& device);
    // Said once per player that cannot rename, when an overwrite removes the old copy first.
    void overwritesInPlace(MtpDevice& device);

    PlayerFolders m_folders;
    UploadJournal m_journal;
    bool m_createFolders;
    std::string m_missingHint;
    std::vector<std::string> m_notes;
    std::vector<std::string> m_used;    // the hosts written to so far
    std::vector<std::string> m_inPlace; // the hosts an overwrite in place was noted for
    std::string m_mark;                 // this run's, in its temporaries' names
};

} // namespace parlowen
