// Copies onto players that speak MTP.
#include "sync_wizard/device_copy.h"

#include "compare/folder_scan.h"
#include "compare/utf8.h"
#include "platform/mtp_address.h"
#include "sync_wizard/player_names.h"

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

} // namespace

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

PlayerFolder PlayerFolders::find(const std::string& folder)
{
    if (auto at = m_found.find(folder); at != m_found.end())
        return at->second;
    PlayerFolder found;
    // Folders below the compared one may be made; it and those above it must be there.
    const auto side = sideHolding(folder, m_roots);
    const std::string root = side ? (*side == Side::Left ? m_roots.left : m_roots.right) : folder;
    const auto place = parseMtpAddress(root);
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
    if (walk.error) {
        found.problem = mtpProblem(place->host, walk.error);
        return found;
    }
    if (!walk.storageFound) {
        found.problem = "the player " + place->host + " has no storage named \"" +
                        place->storage + "\" any more";
        return found;
    }
    if (walk.reached < rootNames.size()) {
        found.problem = "the folder " + Main::rootOf(root) + " is no longer on the player";
        return found;
    }
    std::string missing = found.where + "/";
    for (std::size_t i = 0; i < names.size(); ++i) {
        missing += names[i] + "/";
        if (i >= walk.reached)
            found.missing.push_back(missing);
    }
    return m_found[folder] = found;
}

std::string PlayerFolders::make(const std::string& folder, PlayerFolder& found)
{
    for (const std::string& missing : std::vector<std::string>(found.missing)) {
        const std::string name = nameOf(missing.substr(0, missing.size() - 1));
        const auto made = found.device->makeFolder(found.storage, found.handle, name);
        if (made.error)
            return "the player did not make the folder " + missing + " (" +
                   mtpProblem(found.device->host(), made.error) + ")";
        found.handle = made.value;
        found.missing.erase(found.missing.begin());
        PlayerFolder madeFolder = found;
        madeFolder.missing.clear();
        m_found[missing] = madeFolder;
    }
    m_found[folder] = found;
    return {};
}

DeviceCopier::DeviceCopier(MtpDevices& devices, FileOps& files, const SyncRoots& roots,
                           bool createFolders, std::string missingFolderHint)
    : m_files(files), m_devices(devices), m_folders(devices, roots),
      m_journal(devices.journalPath), m_createFolders(createFolders),
      m_missingFolderHint(std::move(missingFolderHint))
{
}

void DeviceCopier::firstUseOf(MtpDevice& device)
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

StepFailure DeviceCopier::copy(const PlannedOperation& op, const std::stop_token& stop,
                               const std::function<void(std::int64_t)>& sent)
{
    const std::string folderAddress = folderOf(op.OpTargetPath);
    const std::string name = nameOf(op.OpTargetPath);
    PlayerFolder folder = m_folders.find(folderAddress);
    if (!folder.problem.empty())
        return failedPlainly(folder.problem);
    if (!folder.missing.empty()) {
        if (!m_createFolders)
            return failedPlainly("the folder " + folder.missing.front() +
                                 " does not exist on the player; " + m_missingFolderHint);
        if (auto refused = m_folders.make(folderAddress, folder); !refused.empty())
            return failedPlainly(refused);
    }
    MtpDevice& device = *folder.device;
    firstUseOf(device);

    auto source = m_files.openSource(op.OpSourcePath);
    if (source.error)
        return failed(source.error, "opening the source");
    const FileFacts before = source.value.facts;
    if ((op.sourceSize && before.size != *op.sourceSize) ||
        (op.seenSourceModified && before.modified.tv_sec != *op.seenSourceModified))
        return failedPlainly("the source changed since Compare, so nothing was copied");

    const auto listed = device.children(folder.storage, folder.handle);
    if (listed.error)
        return deviceFailure(device, listed.error, "looking at the target folder");
    if (!isOverwrite(op)) {
        for (const auto& object : listed.value) {
            if (foldCase(object.name) == foldCase(name))
                return failedPlainly("a file of this name already exists on the player");
        }
    } else {
        const auto now = device.object(op.target.object);
        if (now.error || now.value.parent != folder.handle || now.value.name != name ||
            (op.seenTargetSize && now.value.size != *op.seenTargetSize))
            return failedPlainly("the file changed since Compare, so it was left as it is");
    }

    const int fd = source.value.fd.get();
    std::uint32_t handle = 0;
    if (device.renames() != false) {
        const std::string temporary = temporaryNameFor(name);
        const UploadEntry entry{device.host(), folderAddress, temporary, before.size};
        if (auto failure = upload(folder, entry, fd, stop, sent, handle))
            return failure;
        const ExpectedObject whole{handle, folder.handle, temporary, before.size, false};
        // A device that cannot rename says so at its first refusal: then the file goes up
        // again under its own name.
        if (device.renames() == std::nullopt &&
            device.rename(handle, temporary) == std::errc::not_supported) {
            removeChecked(device, whole);
        } else {
            if (isOverwrite(op)) {
                const ExpectedObject old{op.target.object, folder.handle, name,
                                         op.seenTargetSize.value_or(0), false};
                if (auto e = removeChecked(device, old)) {
                    removeChecked(device, whole);
                    return e == std::errc::operation_not_permitted
                               ? failedPlainly("the file changed since Compare, so it was left "
                                               "as it is")
                               : deviceFailure(device, e, "removing the old copy");
                }
            }
            if (auto e = device.rename(handle, name)) {
                // The old copy is gone by now: the file goes up again under its own name.
                if (auto failure = upload(folder, {device.host(), folderAddress, name, before.size},
                                          fd, stop, sent, handle))
                    return failure;
                removeChecked(device, whole);
            }
            return {};
        }
    }
    if (isOverwrite(op)) {
        // Nothing else can take its place first: the newer copy stays on the PC meanwhile.
        const ExpectedObject old{op.target.object, folder.handle, name,
                                 op.seenTargetSize.value_or(0), false};
        if (auto e = removeChecked(device, old))
            return e == std::errc::operation_not_permitted
                       ? failedPlainly("the file changed since Compare, so it was left as it is")
                       : deviceFailure(device, e, "removing the old copy");
    }
    return upload(folder, {device.host(), folderAddress, name, before.size}, fd, stop, sent,
                  handle);
}

StepFailure DeviceCopier::upload(PlayerFolder& folder, const UploadEntry& entry, int fd,
                                 const std::stop_token& stop,
                                 const std::function<void(std::int64_t)>& sent,
                                 std::uint32_t& handle)
{
    MtpDevice& device = *folder.device;
    std::error_code error;
    // A device that turns an upload down now and then (QEMU's player, just after the old copy
    // of that name went) gets one more try a moment later.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (auto e = m_journal.add(entry))
            return failed(e, "recording the copy before it is sent");
        if (::lseek(fd, 0, SEEK_SET) != 0)
            return failed({errno, std::generic_category()}, "reading the source");
        // A stop lets a file that is nearly sent finish (it is then put in place as any other),
        // and cancels a larger one: some players (uMTP-Responder) drop off the bus when a
        // transfer is cancelled, and a whole file is better than a cancelled one.
        std::stop_source cancel;
        std::atomic<std::int64_t> sentSoFar = 0;
        const auto tooMuchLeft = [&] { return entry.size - sentSoFar > kFinishedOnStop; };
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
        const auto sentNow = device.upload(folder.storage, folder.handle, entry.name, fd,
                                           entry.size, cancel.get_token(), told);
        handle = sentNow.value;
        error = sentNow.error;
        if (!error) {
            const auto kept = device.object(handle);
            if (kept.error || kept.value.size != entry.size)
                error = std::make_error_code(std::errc::io_error);
        }
        if (!error) {
            m_journal.forget(entry);
            return {};
        }
        if (!clearAfterFailedUpload(folder, entry, handle) || error != std::errc::io_error ||
            cancel.stop_requested())
            break;
    }
    return deviceFailure(device, error, "sending the copy");
}

bool DeviceCopier::clearAfterFailedUpload(PlayerFolder& folder, const UploadEntry& entry,
                                          std::uint32_t handle)
{
    // What the device kept of it goes, and the record with it; a record stays for the next
    // run where the device cannot be asked now.
    MtpDevice& device = *folder.device;
    bool cleared = true;
    const auto listed = device.children(folder.storage, folder.handle);
    for (const auto& object : listed.value) {
        if (!object.folder && object.name == entry.name && object.size <= entry.size &&
            (object.handle == handle || object.size < entry.size))
            cleared = !removeChecked(device, {object.handle, folder.handle, entry.name,
                                              entry.size + 1, true}) &&
                      cleared;
    }
    if (!cleared || listed.error)
        return false;
    m_journal.forget(entry);
    return true;
}

} // namespace parlowen
