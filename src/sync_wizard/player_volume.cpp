// Files on players that speak MTP.
#include "sync_wizard/player_volume.h"

#include "compare/folder_scan.h"
#include "compare/utf8.h"
#include "platform/mtp_address.h"
#include "sync_wizard/player_names.h"

#include <algorithm>
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

StepFailure deviceFailure(const MtpDevice& device, const std::error_code& error,
                          const std::string& step)
{
    if (error == std::errc::operation_canceled)
        return failed(error, step);
    if (error == std::errc::no_space_on_device)
        return failedPlainly("the player is full (" + step + ")");
    return failedPlainly(mtpProblem(device.host(), error) + " (" + step + ")");
}

const MtpObject* fileNamed(const std::vector<MtpObject>& objects, const std::string& name)
{
    const auto at = std::find_if(objects.begin(), objects.end(), [&](const MtpObject& object) {
        return !object.folder && object.name == name;
    });
    return at == objects.end() ? nullptr : &*at;
}

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
            return deviceFailure(*m_device, e, "copying");
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

} // namespace

// An upload onto a player: whole under its name once placed, or nothing of it left.
class PlayerCopy final : public NewFile
{
public:
    PlayerCopy(PlayerVolume& volume, PlayerFolder& folder, const PlannedOperation& op,
               std::optional<MtpObject> old)
        : m_volume(volume), m_folder(folder), m_device(*folder.device), m_name(nameOf(op.OpTargetPath)),
          m_old(std::move(old))
    {
    }
    ~PlayerCopy() override
    {
        if (m_sent)
            clearAfterFailedUpload(m_recorded, m_sent);
    }
    PlayerCopy(const PlayerCopy&) = delete;
    PlayerCopy& operator=(const PlayerCopy&) = delete;

    StepFailure write(SourceFile& source, const std::stop_token& stop,
                      const BytesTold& copied) override;
    StepFailure finish() override { return {}; }
    StepFailure place() override;
    std::int64_t size() const override { return m_size; }

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
                return deviceFailure(m_device, e, "removing the temporary copy");
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
                for (auto& object : *m_folder.objects) {
                    if (object.handle == m_sent)
                        object.name = m_name;
                }
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
                   : deviceFailure(m_device, e, "removing the old copy");
    forgetObject(m_old->handle);
    m_old.reset();
    return {};
}

void PlayerCopy::forgetObject(std::uint32_t handle)
{
    std::erase_if(*m_folder.objects, [&](const MtpObject& object) { return object.handle == handle; });
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
            m_folder.objects->push_back({.handle = m_sent, .parent = m_folder.handle,
                                         .storage = m_folder.storage, .name = as, .size = m_size});
            return {};
        }
        if (!clearAfterFailedUpload(entry, sentNow.value) || error != std::errc::io_error ||
            cancel.stop_requested())
            break;
    }
    return deviceFailure(m_device, error, "sending the copy");
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

std::shared_ptr<MtpDevice> PlayerFolders::open(const std::string& host, std::string& problem)
{
    if (auto at = m_open.find(host); at != m_open.end())
        return at->second;
    auto opened = m_devices.open(host);
    if (opened.error) {
        problem = mtpProblem(host, opened.error);
        return nullptr;
    }
    return m_open[host] = opened.value;
}

PlayerFolder& PlayerFolders::find(const std::string& folder)
{
    if (auto at = m_found.find(folder); at != m_found.end())
        return at->second;
    PlayerFolder& found = m_found[folder];
    found.address = folder;
    // Folders below the compared one may be made; it and those above it must be there.
    const auto side = sideHolding(folder, m_roots);
    std::string root = side ? (*side == Side::Left ? m_roots.left : m_roots.right) : "";
    if (root.empty())
        root = folder; // no compared folder known: nothing is made
    const auto place = parseMtpAddress(Main::rootOf(root));
    if (!place) {
        found.problem = "it is not a player's address";
        return found;
    }
    found.device = open(place->host, found.problem);
    if (!found.device)
        return found;
    found.where = mtpAddress(place->host, place->storage);
    const auto rootNames = folderNames(place->folder);
    const auto names = folderNames(folder.substr(found.where.size()));
    const auto walk = walkTo(*found.device, place->storage, names);
    found.storage = walk.storage.id;
    found.handle = walk.folder;
    // Some devices report more room than they hold.
    found.freeBytes = walk.storage.capacity > 0
                          ? std::min(walk.storage.freeBytes, walk.storage.capacity)
                          : walk.storage.freeBytes;
    if (walk.error)
        found.problem = mtpProblem(place->host, walk.error);
    else if (!walk.storageFound)
        found.problem = "the player " + place->host + " has no storage named \"" +
                        place->storage + "\" any more";
    else if (walk.reached < rootNames.size())
        found.problem = "the folder " + Main::rootOf(root) + " is no longer on the player";
    if (!found.problem.empty())
        return found;
    std::string missing = found.where + "/";
    for (std::size_t i = 0; i < names.size(); ++i) {
        missing += names[i] + "/";
        if (i >= walk.reached)
            found.missing.push_back(missing);
    }
    return found;
}

std::string PlayerFolders::make(PlayerFolder& found)
{
    while (!found.missing.empty()) {
        const std::string missing = found.missing.front();
        const std::string name = nameOf(missing.substr(0, missing.size() - 1));
        const auto made = found.device->makeFolder(found.storage, found.handle, name);
        if (made.error)
            return "the player did not make the folder " + missing + " (" +
                   mtpProblem(found.device->host(), made.error) + ")";
        // The folder it was made in holds it now; the new one holds nothing.
        if (auto parent = m_found.find(folderOf(missing.substr(0, missing.size() - 1)));
            parent != m_found.end() && parent->second.objects)
            parent->second.objects->push_back({.handle = made.value, .parent = found.handle,
                                               .storage = found.storage, .name = name,
                                               .folder = true});
        found.handle = made.value;
        found.missing.erase(found.missing.begin());
        PlayerFolder& madeFolder = m_found[missing];
        const auto keptObjects = madeFolder.objects;
        madeFolder = found;
        madeFolder.address = missing;
        madeFolder.missing.clear();
        madeFolder.objects = keptObjects ? keptObjects : std::vector<MtpObject>{};
    }
    if (!found.objects)
        found.objects.emplace();
    return {};
}

std::error_code PlayerFolders::list(PlayerFolder& folder)
{
    if (folder.objects)
        return {};
    auto listed = folder.device->children(folder.storage, folder.handle);
    if (listed.error)
        return listed.error;
    folder.objects = std::move(listed.value);
    return {};
}

PlayerVolume::PlayerVolume(MtpDevices& devices, const SyncRoots& roots, bool createFolders,
                           std::string missingHint)
    : m_folders(devices, roots), m_journal(devices.journalPath), m_createFolders(createFolders),
      m_missingHint(std::move(missingHint)), m_mark(runMark())
{
}

void PlayerVolume::firstUseOf(MtpDevice& device)
{
    if (std::find(m_used.begin(), m_used.end(), device.host()) != m_used.end())
        return;
    m_used.push_back(device.host());
    for (auto& sentence : clearUnfinishedUploads(device, m_journal))
        m_notes.push_back(std::move(sentence));
    m_notes.push_back("The player " + device.host() +
                      " keeps its own file times: the copies on it show when they were sent, "
                      "and Compare shows them \"OK\" while their sizes agree.");
}

void PlayerVolume::overwritesInPlace(MtpDevice& device)
{
    if (std::find(m_inPlace.begin(), m_inPlace.end(), device.host()) != m_inPlace.end())
        return;
    m_inPlace.push_back(device.host());
    m_notes.push_back("The player " + device.host() +
                      " cannot rename files: each overwrite there removed the old copy just "
                      "before the new one was sent.");
}

StepFailure PlayerVolume::open(const PlannedOperation& op, std::unique_ptr<SourceFile>& source)
{
    PlayerFolder& folder = m_folders.find(folderOf(op.OpSourcePath));
    if (!folder.problem.empty())
        return failedPlainly(folder.problem);
    const MtpObject* found = nullptr;
    if (folder.missing.empty()) {
        if (auto e = m_folders.list(folder))
            return deviceFailure(*folder.device, e, "looking at the source's folder");
        found = fileNamed(*folder.objects, nameOf(op.OpSourcePath));
    }
    if (!found)
        return failedPlainly("the source is no longer on the player, so nothing was copied");
    source = std::make_unique<PlayerSource>(folder.device, *found);
    return {};
}

StepFailure PlayerVolume::create(const PlannedOperation& op, std::size_t,
                                 std::unique_ptr<NewFile>& file)
{
    const std::string name = nameOf(op.OpTargetPath);
    PlayerFolder& folder = m_folders.find(folderOf(op.OpTargetPath));
    if (!folder.problem.empty())
        return failedPlainly(folder.problem);
    if (!folder.missing.empty()) {
        if (!m_createFolders)
            return failedPlainly("the folder " + folder.missing.front() +
                                 " does not exist on the player; " + m_missingHint);
        if (auto refused = m_folders.make(folder); !refused.empty())
            return failedPlainly(refused);
    }
    firstUseOf(*folder.device);
    if (auto e = m_folders.list(folder))
        return deviceFailure(*folder.device, e, "looking at the target folder");
    std::optional<MtpObject> old;
    if (!isOverwrite(op)) {
        for (const auto& object : *folder.objects) {
            if (foldCase(object.name) == foldCase(name))
                return failedPlainly("a file of this name already exists on the player");
        }
    } else {
        const MtpObject* seen = fileNamed(*folder.objects, name);
        if (!seen || (op.seenTargetSize && seen->size != *op.seenTargetSize))
            return failedPlainly("the file changed since Compare, so it was left as it is");
        old = *seen;
    }
    file = std::make_unique<PlayerCopy>(*this, folder, op, std::move(old));
    return {};
}

} // namespace parlowen
