// Files on drives: copies go into a hidden temporary in the target's folder, opened once and
// locked for the run, and are renamed into place once flushed.
#pragma once

#include "sync_wizard/target_folders.h"
#include "sync_wizard/volume.h"

#include <map>
#include <set>

namespace parlowen {

class DriveVolume final : public Volume
{
public:
    // With createFolders, a target folder that does not exist is made just before its first
    // copy, never at or above its side's root; without, its copies fail with missingHint.
    DriveVolume(FileOps& files, bool createFolders, const SyncRoots& roots,
                std::string missingHint);

    void begin(const ResultStore& plan, const std::stop_token& stop,
               const std::function<void(std::size_t, std::size_t)>& told) override;
    StepFailure open(const PlannedOperation& op, std::unique_ptr<SourceFile>& source) override;
    StepFailure create(const PlannedOperation& op, std::size_t index,
                       std::unique_ptr<NewFile>& file) override;
    std::optional<TargetLook> look(const PlannedOperation& op) override;
    void passed(std::size_t index) override;
    bool settlesInBatches() const override { return true; }
    std::error_code settle(const std::vector<NewFile*>& files) override;
    std::vector<FolderFailure> settleFolders(const std::vector<NewFile*>& placed) override;
    std::vector<FolderFailure> finish() override;
    bool worthRetry(const StepFailure& failure, const NewFile* file) const override;
    std::vector<std::string> takeNotes() override;

private:
    friend class DriveCopy;
    void timesRefusedOn(const TargetFolder& folder);
    // Brings the folders placed into since the last flush to the device, but for those on the
    // devices just flushed whole.
    void settlePlaced(const std::set<std::uint64_t>& flushedDevices);

    FileOps& m_files;
    SyncRoots m_roots;
    TargetFolders m_targets;
    std::map<std::uint64_t, std::optional<TargetLook>> m_looked; // by device
    std::map<std::size_t, std::string> m_lastUse; // plan position -> the folder it is last in
    std::set<std::uint64_t> m_timesNoted;          // devices said to keep no times
    std::vector<std::string> m_notes;
    std::string m_mark;      // this run's, in its temporaries' names
    std::uint64_t m_round = 1; // counts the batches settled
    // Folders copies were placed into, not yet flushed; and why some could not be.
    std::map<const TargetFolder*, std::shared_ptr<const TargetFolder>> m_unsettled;
    std::vector<FolderFailure> m_folderFailures;
};

} // namespace parlowen
