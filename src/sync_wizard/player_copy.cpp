// Copies onto and from players that speak MTP.
#include "sync_wizard/player_copy.h"

#include "sync_wizard/player_names.h"
#include "sync_wizard/player_volume.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

namespace parlowen {
namespace {

// What a stop lets an upload finish: a few seconds on a slow player.
constexpr std::int64_t kFinishedOnStop = 64 << 20;

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

PlayerCopy::PlayerCopy(PlayerVolume& volume, PlayerFolder& folder, const PlannedOperation& op,
                       std::optional<MtpObject> old)
    : m_volume(volume), m_folder(folder), m_device(*folder.device),
      m_name(nameOf(op.OpTargetPath)), m_old(std::move(old))
{
}

PlayerCopy::~PlayerCopy()
{
    if (m_sent)
        clearAfterFailedUpload(m_recorded, m_sent);
}

StepFailure PlayerCopy::write(SourceFile& source, const std::stop_token& stop,
                              const BytesTold& copied)
{
    m_fd = source.fd();
    if (m_fd < 0)
        return failedPlainly("a copy from one player to another is not made; copy it to the PC first");
    m_size = source.facts().size;
    if (m_device.renames() != false)
        return upload(temporaryNameFor(m_name, m_volume.m_mark), stop, copied);
    // Nothing else can take its place first: the newer copy stays on the PC meanwhile.
    if (m_old)
        m_volume.overwritesInPlace(m_device);
    if (auto failure = removeOld())
        return failure;
    return upload(m_name, stop, copied);
}

StepFailure PlayerCopy::place()
{
    if (m_sentAs != m_name) {
        // A player that cannot rename says so at its first refusal (here, of the name it has).
        const bool renames = m_device.renames() == true ||
                             (m_device.renames() == std::nullopt &&
                              m_device.rename(m_sent, m_sentAs) != std::errc::not_supported);
        if (!renames) {
            // The file goes up again under its own name, the old one removed just before.
            if (auto e = removeChecked(m_device, {m_sent, m_folder.handle, m_sentAs, m_size, false}))
                return playerFailure(m_device, e, "removing the temporary copy");
            forgetObject(m_sent);
            m_sent = 0;
            m_volume.m_journal.forget(m_recorded);
            if (m_old)
                m_volume.overwritesInPlace(m_device);
            if (auto failure = removeOld())
                return failure;
            if (auto failure = upload(m_name, {}, {}))
                return failure;
        } else {
            // The old copy goes only now that the new one is whole.
            if (auto failure = removeOld())
                return failure;
            if (m_device.rename(m_sent, m_name)) {
                if (auto failure = sendAgainUnderItsName())
                    return failure;
            } else {
                m_folder.rename(m_sent, m_name);
            }
        }
    }
    m_volume.m_journal.forget(m_recorded);
    m_sent = 0;
    return {};
}

StepFailure PlayerCopy::sendAgainUnderItsName()
{
    // The old copy is gone by now: the file goes up again under its own name, and the whole
    // temporary goes once it is there.
    const std::uint32_t temporary = m_sent;
    const UploadEntry temporaryRecord = m_recorded;
    const std::string temporaryName = m_sentAs;
    m_sent = 0;
    if (auto failure = upload(m_name, {}, {})) {
        m_sent = temporary; // left for the destructor to clear
        m_recorded = temporaryRecord;
        m_sentAs = temporaryName;
        return failure;
    }
    if (!removeChecked(m_device, {temporary, m_folder.handle, temporaryName, m_size, false})) {
        forgetObject(temporary);
        m_volume.m_journal.forget(temporaryRecord);
    }
    return {};
}

StepFailure PlayerCopy::removeOld()
{
    if (!m_old)
        return {};
    const ExpectedObject old{m_old->handle, m_folder.handle, m_name, m_old->size, false};
    if (auto e = removeChecked(m_device, old))
        return e == std::errc::operation_not_permitted
                   ? failedPlainly("the file changed since Compare, so it was left as it is")
                   : playerFailure(m_device, e, "removing the old copy");
    forgetObject(m_old->handle);
    m_old.reset();
    return {};
}

StepFailure PlayerCopy::removeBeside(const std::string& name, std::int64_t size)
{
    const MtpObject* old = m_folder.objects ? fileNamed(*m_folder.objects, name) : nullptr;
    if (!old)
        return {}; // gone already, or in a folder this run made
    if (old->size != size)
        return failedPlainly("it is not the copy Parlowen made, so it was left as it is");
    const std::uint32_t handle = old->handle;
    if (auto e = removeChecked(m_device, {handle, m_folder.handle, name, size, false}))
        return e == std::errc::operation_not_permitted
                   ? failedPlainly("it changed since Compare, so it was left as it is")
                   : playerFailure(m_device, e, "removing the older copy");
    forgetObject(handle);
    return {};
}

void PlayerCopy::forgetObject(std::uint32_t handle)
{
    m_folder.remove(handle);
}

StepFailure PlayerCopy::upload(const std::string& as, const std::stop_token& stop,
                               const BytesTold& sent)
{
    const UploadEntry entry{m_device.host(), m_folder.address, as, m_size, m_name};
    std::error_code error;
    // A player that turns an upload down now and then (QEMU's player, just after the old copy
    // of that name went) gets one more try a moment later.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (auto e = m_volume.m_journal.add(entry))
            return failed(e, "recording the copy before it is sent");
        m_recorded = entry;
        if (::lseek(m_fd, 0, SEEK_SET) != 0)
            return failed({errno, std::generic_category()}, "reading the source");
        // A stop lets a file that is nearly sent finish (it is then put in place as any other),
        // and cancels a larger one: some players (uMTP-Responder) drop off the bus when a
        // transfer is cancelled, and a whole file is better than a cancelled one.
        std::stop_source cancel;
        std::atomic<std::int64_t> sentSoFar = 0;
        const auto tooMuchLeft = [&] { return m_size - sentSoFar > kFinishedOnStop; };
        const std::stop_callback onStop(stop, [&] {
            if (tooMuchLeft())
                cancel.request_stop();
        });
        const auto told = [&](std::int64_t bytes) {
            sentSoFar = bytes;
            if (stop.stop_requested() && tooMuchLeft())
                cancel.request_stop();
            if (sent)
                sent(bytes);
        };
        const auto sentNow = m_device.upload(m_folder.storage, m_folder.handle, as, m_name, m_fd,
                                             m_size, cancel.get_token(), told);
        error = sentNow.error;
        if (!error) {
            const auto kept = m_device.object(sentNow.value);
            if (kept.error || kept.value.size != m_size)
                error = std::make_error_code(std::errc::io_error);
        }
        if (!error) {
            m_sent = sentNow.value;
            m_sentAs = as;
            m_folder.add({.handle = m_sent, .parent = m_folder.handle, .storage = m_folder.storage,
                          .name = as, .size = m_size});
            return {};
        }
        if (!clearAfterFailedUpload(entry, sentNow.value) || error != std::errc::io_error ||
            cancel.stop_requested())
            break;
    }
    return playerFailure(m_device, error, "sending the copy");
}

bool PlayerCopy::clearAfterFailedUpload(const UploadEntry& entry, std::uint32_t handle)
{
    // What the player kept of it goes, and the record with it; a record stays for the next
    // run where the player cannot be asked now.
    bool cleared = true;
    const auto listed = m_device.children(m_folder.storage, m_folder.handle);
    for (const auto& object : listed.value) {
        if (!object.folder && object.name == entry.name && object.size <= entry.size &&
            (object.handle == handle || object.size < entry.size)) {
            const bool removed = !removeChecked(
                m_device, {object.handle, m_folder.handle, entry.name, entry.size + 1, true});
            if (removed)
                forgetObject(object.handle);
            cleared = removed && cleared;
        }
    }
    if (!cleared || listed.error)
        return false;
    m_volume.m_journal.forget(entry);
    return true;
}

} // namespace parlowen
