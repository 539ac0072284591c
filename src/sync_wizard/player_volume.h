// Files on players that speak MTP. A player that renames gets the drive's protocol: the file
// goes up under a hidden temporary name, the old one (of an overwrite) is removed only once the
// new one is whole, then the new one takes the name. A player that cannot rename gets the file
// under its own name, the old one removed just before. Every upload is recorded in the journal
// before it starts and forgotten once the file is in place, so a kill leaves nothing that the
// next run does not find.
#pragma once

#include "platform/upload_journal.h"
#include "sync_wizard/player_folders.h"
#include "sync_wizard/volume.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parlowen {

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
    std::optional<TargetLook> look(const PlannedOperation& op) override;
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
