// Copies onto and from players that speak MTP: a player's file read by downloading it, and an
// upload that is whole under its name once placed, or leaves nothing.
#pragma once

#include "platform/upload_journal.h"
#include "sync_wizard/player_folders.h"
#include "sync_wizard/volume.h"

#include <memory>
#include <optional>
#include <string>

namespace parlowen {

class PlayerVolume;

// A file on a player, read by downloading it.
class PlayerSource final : public SourceFile
{
public:
    PlayerSource(std::shared_ptr<MtpDevice> device, const MtpObject& object)
        : m_device(std::move(device)), m_object(object)
    {
        m_facts.size = object.size;
        m_facts.modified = m_facts.accessed = {static_cast<std::time_t>(object.modified), 0};
    }

    const FileFacts& facts() const override { return m_facts; }
    int fd() const override { return -1; }
    StepFailure copyInto(int out, const std::stop_token& stop, const BytesTold& copied) override
    {
        if (auto e = m_device->download(m_object.handle, out, stop, copied))
            return playerFailure(*m_device, e, "copying");
        return {};
    }
    StepFailure unchanged(std::int64_t) override
    {
        const auto now = m_device->object(m_object.handle);
        if (now.error || now.value.name != m_object.name || now.value.size != m_object.size ||
            now.value.modified != m_object.modified)
            return failedPlainly("the source changed while it was copied");
        return {};
    }

private:
    std::shared_ptr<MtpDevice> m_device;
    MtpObject m_object;
    FileFacts m_facts;
};

// An upload onto a player: whole under its name once placed, or nothing of it left.
class PlayerCopy final : public NewFile
{
public:
    PlayerCopy(PlayerVolume& volume, PlayerFolder& folder, const PlannedOperation& op,
               std::optional<MtpObject> old);
    ~PlayerCopy() override;
    PlayerCopy(const PlayerCopy&) = delete;
    PlayerCopy& operator=(const PlayerCopy&) = delete;

    StepFailure write(SourceFile& source, const std::stop_token& stop,
                      const BytesTold& copied) override;
    StepFailure finish() override { return {}; }
    StepFailure place() override;
    std::int64_t size() const override { return m_size; }
    StepFailure removeBeside(const std::string& name, std::int64_t size) override;

private:
    StepFailure upload(const std::string& as, const std::stop_token& stop, const BytesTold& sent);
    StepFailure removeOld();
    StepFailure sendAgainUnderItsName();
    // Removes what a failed upload left and forgets its record; whether that was done.
    bool clearAfterFailedUpload(const UploadEntry& entry, std::uint32_t handle);
    void forgetObject(std::uint32_t handle);

    PlayerVolume& m_volume;
    PlayerFolder& m_folder;
    MtpDevice& m_device;
    std::string m_name;
    std::optional<MtpObject> m_old; // what an overwrite replaces, as the run found it
    int m_fd = -1;                  // the source's, while it is sent
    std::int64_t m_size = 0;
    std::string m_sentAs;     // the name the upload went up under
    std::uint32_t m_sent = 0; // its object until it is in place; 0 for none
    UploadEntry m_recorded;   // its record in the journal
};

} // namespace parlowen
