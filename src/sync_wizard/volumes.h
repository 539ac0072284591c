// The places one run reads from and writes to: every drive through one volume, the players
// that speak MTP through another (made at the first operation on one).
#pragma once

#include "sync_wizard/drive_volume.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/player_volume.h"

#include <optional>

namespace parlowen {

// The places a run reads from and writes to: a player's storage by its address, every drive
// through one volume.
class Volumes final
{
public:
    Volumes(FileOps& files, const CarryOutControl& control)
        : m_control(control),
          m_drives(files, control.createFolders, control.roots, control.missingFolderHint)
    {
    }

    Volume& of(const Place& place)
    {
        if (place.on == Place::On::Drive)
            return m_drives;
        if (!m_players) {
            if (!m_control.devices)
                return m_unreachable;
            m_players.emplace(*m_control.devices, m_control.roots, m_control.createFolders,
                              m_control.missingFolderHint);
        }
        return *m_players;
    }

    void begin(const ResultStore& plan, const std::stop_token& stop,
               const std::function<void(std::size_t, std::size_t)>& told)
    {
        m_drives.begin(plan, stop, told);
    }

    std::vector<FolderFailure> finish()
    {
        auto failures = m_drives.finish();
        if (m_players) {
            for (auto& failure : m_players->finish())
                failures.push_back(std::move(failure));
        }
        return failures;
    }

    std::vector<std::string> takeNotes()
    {
        auto notes = m_drives.takeNotes();
        if (m_players) {
            for (auto& note : m_players->takeNotes())
                notes.push_back(std::move(note));
        }
        return notes;
    }

private:
    // Where players are named but cannot be reached from here.
    class Unreachable final : public Volume
    {
        StepFailure refused() const
        {
            return failedPlainly("players that speak MTP cannot be reached from here");
        }

    public:
        void begin(const ResultStore&, const std::stop_token&,
                   const std::function<void(std::size_t, std::size_t)>&) override
        {
        }
        StepFailure open(const PlannedOperation&, std::unique_ptr<SourceFile>&) override
        {
            return refused();
        }
        StepFailure create(const PlannedOperation&, std::size_t,
                           std::unique_ptr<NewFile>&) override
        {
            return refused();
        }
        std::optional<TargetLook> look(const PlannedOperation&) override { return {}; }
        void passed(std::size_t) override {}
        bool settlesInBatches() const override { return false; }
        std::error_code settle(const std::vector<NewFile*>&) override { return {}; }
        std::vector<FolderFailure> settleFolders(const std::vector<NewFile*>&) override
        {
            return {};
        }
        std::vector<FolderFailure> finish() override { return {}; }
        bool worthRetry(const StepFailure&, const NewFile*) const override { return false; }
        std::vector<std::string> takeNotes() override { return {}; }
    };

    const CarryOutControl& m_control;
    DriveVolume m_drives;
    std::optional<PlayerVolume> m_players; // made at the first operation on a player
    Unreachable m_unreachable;
};

} // namespace parlowen
