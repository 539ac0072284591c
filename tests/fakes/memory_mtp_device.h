// A player that speaks MTP, in memory: a tree of objects with handles, and the quirks real
// devices show, switched on where a test needs them.
#pragma once

#include "platform/mtp_device.h"

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace parlowen {

struct MtpQuirks
{
    bool busy = false;                       // another program holds the device
    bool gone = false;                       // pulled out: every request fails
    std::chrono::milliseconds perRequest{0}; // each request takes this long
    std::string unlistable = {};             // the folder of this name cannot be listed
    bool noRename = false;                   // QEMU's usb-mtp: names are set once
    bool partialOnCancel = true;             // a cancelled upload leaves what came so far
    std::int64_t stampUploads = 0;           // uploads get this time (the device's clock)
    std::string refusedFolder = {};          // a folder of this name cannot be made
    std::int64_t goneAfterBytes = -1;        // pulled out once this much was sent
    bool newFoldersUnlistable = false;       // QEMU's usb-mtp: a folder just made lists with an error
};

class MemoryMtpDevice final : public MtpDevice
{
public:
    explicit MemoryMtpDevice(std::string host = "Parlowen_Fake_Player_1",
                             std::string storage = "Internal storage")
        : m_host(std::move(host))
    {
        m_storages.push_back({.id = 0x10001, .description = std::move(storage),
                              .freeBytes = 1 << 30, .capacity = 2 << 30});
    }

    MtpQuirks quirks;

    // Adds a file (and the folders on its way) under the storage's top: "Music/a.mp3".
    std::uint32_t add(const std::string& path, const std::string& bytes, std::int64_t modified)
    {
        const std::lock_guard lock(m_lock);
        std::uint32_t parent = kMtpStorageTop;
        std::size_t start = 0;
        for (auto slash = path.find('/'); slash != std::string::npos;
             start = slash + 1, slash = path.find('/', start))
            parent = folderIn(parent, path.substr(start, slash - start));
        const std::uint32_t handle = m_next++;
        m_objects[handle] = {{.handle = handle, .parent = parent, .storage = m_storages[0].id,
                              .name = path.substr(start), .folder = false,
                              .size = static_cast<std::int64_t>(bytes.size()),
                              .modified = modified},
                             bytes};
        return handle;
    }

    // Takes an object away behind Parlowen's back (another program did).
    void drop(std::uint32_t handle)
    {
        const std::lock_guard lock(m_lock);
        m_objects.erase(handle);
    }

    // Takes the file at that path away behind Parlowen's back.
    void dropPath(const std::string& path)
    {
        const std::lock_guard lock(m_lock);
        std::erase_if(m_objects, [&](const auto& entry) { return pathOf(entry.first) == path; });
    }

    // Every object as "path size", to tell what changed.
    std::map<std::string, std::int64_t> listing() const
    {
        const std::lock_guard lock(m_lock);
        std::map<std::string, std::int64_t> all;
        for (const auto& [handle, entry] : m_objects)
            all[pathOf(handle)] = entry.object.folder ? -1 : entry.object.size;
        return all;
    }

    std::string bytesOf(const std::string& path) const
    {
        const std::lock_guard lock(m_lock);
        for (const auto& [handle, entry] : m_objects) {
            if (pathOf(handle) == path)
                return entry.bytes;
        }
        return "(none)";
    }

    void setFree(std::int64_t free, std::int64_t capacity)
    {
        const std::lock_guard lock(m_lock);
        m_storages[0].freeBytes = free;
        m_storages[0].capacity = capacity;
    }

    // The names whose kind each upload declared, in order.
    std::vector<std::string> declared() const
    {
        const std::lock_guard lock(m_lock);
        return m_declared;
    }

    // Called with the bytes sent so far during each upload, on the uploading thread.
    std::function<void(std::int64_t)> duringUpload = {};

    // How many folder listings were asked for.
    std::size_t listings() const
    {
        const std::lock_guard lock(m_lock);
        return m_listings;
    }

    std::size_t requests() const
    {
        const std::lock_guard lock(m_lock);
        return m_requests;
    }

    std::string host() const override { return m_host; }

    Outcome<std::vector<MtpStorage>> storages() override
    {
        const std::lock_guard lock(m_lock);
        if (auto e = request())
            return {{}, e};
        return {m_storages, {}};
    }

    Outcome<std::vector<MtpObject>> children(std::uint32_t storage, std::uint32_t parent) override
    {
        const std::lock_guard lock(m_lock);
        Outcome<std::vector<MtpObject>> outcome;
        if ((outcome.error = request()))
            return outcome;
        ++m_listings;
        if (auto at = m_objects.find(parent);
            at != m_objects.end() && at->second.object.name == quirks.unlistable)
            return {{}, std::make_error_code(std::errc::io_error)};
        if (quirks.newFoldersUnlistable && m_made.contains(parent))
            return {{}, std::make_error_code(std::errc::io_error)};
        for (const auto& [handle, entry] : m_objects) {
            if (entry.object.parent == parent && entry.object.storage == storage)
                outcome.value.push_back(answered(entry.object));
        }
        return outcome;
    }

    Outcome<MtpObject> object(std::uint32_t handle) override
    {
        const std::lock_guard lock(m_lock);
        if (auto e = request())
            return {{}, e};
        const auto at = m_objects.find(handle);
        if (at == m_objects.end())
            return {{}, std::make_error_code(std::errc::no_such_file_or_directory)};
        return {answered(at->second.object), {}};
    }

    std::error_code download(std::uint32_t handle, int fd, const std::stop_token& stop,
                             const std::function<void(std::int64_t)>& copied) override
    {
        std::string bytes;
        {
            const std::lock_guard lock(m_lock);
            if (auto e = request())
                return e;
            const auto at = m_objects.find(handle);
            if (at == m_objects.end())
                return std::make_error_code(std::errc::no_such_file_or_directory);
            bytes = at->second.bytes;
        }
        constexpr std::size_t kPiece = 64 << 10;
        for (std::size_t sent = 0; sent < bytes.size(); sent += kPiece) {
            if (stop.stop_requested())
                return std::make_error_code(std::errc::operation_canceled);
            const std::size_t piece = std::min(kPiece, bytes.size() - sent);
            if (::write(fd, bytes.data() + sent, piece) != static_cast<ssize_t>(piece))
                return std::error_code(errno, std::generic_category());
            if (copied)
                copied(static_cast<std::int64_t>(sent + piece));
        }
        return {};
    }

    Outcome<std::uint32_t> upload(std::uint32_t storage, std::uint32_t parent,
                                  const std::string& name, const std::string& song, int fd,
                                  std::int64_t size,
                                  const std::stop_token& stop,
                                  const std::function<void(std::int64_t)>& sent) override
    {
        std::uint32_t handle = 0;
        {
            const std::lock_guard lock(m_lock);
            if (auto e = request())
                return {0, e};
            if (size > m_storages[0].freeBytes)
                return {0, std::make_error_code(std::errc::no_space_on_device)};
            handle = m_next++;
            m_objects[handle] = {{.handle = handle, .parent = parent, .storage = storage,
                                  .name = name, .folder = false, .size = 0,
                                  .modified = quirks.stampUploads},
                                 {}};
            m_declared.push_back(song);
        }
        std::string bytes(static_cast<std::size_t>(size), '\0');
        std::int64_t done = 0;
        std::error_code failure;
        constexpr std::int64_t kPiece = 64 << 10;
        while (done < size && !failure) {
            if (stop.stop_requested()) {
                failure = std::make_error_code(std::errc::operation_canceled);
                break;
            }
            const auto got = ::read(fd, bytes.data() + done, std::min(kPiece, size - done));
            if (got <= 0) {
                failure = std::make_error_code(std::errc::io_error);
                break;
            }
            done += got;
            if (quirks.goneAfterBytes >= 0 && done >= quirks.goneAfterBytes) {
                quirks.gone = true;
                failure = std::make_error_code(std::errc::no_such_device);
            }
            if (sent)
                sent(done);
            if (duringUpload)
                duringUpload(done);
        }
        const std::lock_guard lock(m_lock);
        Entry& entry = m_objects[handle];
        entry.bytes = bytes.substr(0, static_cast<std::size_t>(done));
        entry.object.size = done;
        m_storages[0].freeBytes -= done;
        if (failure && !quirks.partialOnCancel) {
            m_objects.erase(handle);
            handle = 0;
        }
        return {handle, failure};
    }

    std::error_code rename(std::uint32_t handle, const std::string& name) override
    {
        const std::lock_guard lock(m_lock);
        if (auto e = request())
            return e;
        if (quirks.noRename) {
            m_renames = false;
            return std::make_error_code(std::errc::not_supported);
        }
        const auto at = m_objects.find(handle);
        if (at == m_objects.end())
            return std::make_error_code(std::errc::no_such_file_or_directory);
        at->second.object.name = name;
        m_renames = true;
        return {};
    }

    std::error_code remove(std::uint32_t handle) override
    {
        const std::lock_guard lock(m_lock);
        if (auto e = request())
            return e;
        const auto at = m_objects.find(handle);
        if (at == m_objects.end())
            return std::make_error_code(std::errc::no_such_file_or_directory);
        m_storages[0].freeBytes += at->second.object.size;
        m_objects.erase(at);
        return {};
    }

    Outcome<std::uint32_t> makeFolder(std::uint32_t storage, std::uint32_t parent,
                                      const std::string& name) override
    {
        const std::lock_guard lock(m_lock);
        if (auto e = request())
            return {0, e};
        if (name == quirks.refusedFolder)
            return {0, std::make_error_code(std::errc::io_error)};
        const std::uint32_t handle = m_next++;
        m_objects[handle] = {{.handle = handle, .parent = parent, .storage = storage,
                              .name = name, .folder = true},
                             {}};
        m_made.insert(handle);
        return {handle, {}};
    }

    std::optional<bool> renames() const override
    {
        const std::lock_guard lock(m_lock);
        return m_renames;
    }

private:
    // As real players answer: the objects at the storage's top have parent 0.
    static MtpObject answered(MtpObject object)
    {
        if (object.parent == kMtpStorageTop)
            object.parent = 0;
        return object;
    }

    std::string pathOf(std::uint32_t handle) const
    {
        const auto at = m_objects.find(handle);
        if (at == m_objects.end())
            return "?";
        const MtpObject& object = at->second.object;
        return object.parent == kMtpStorageTop ? object.name
                                               : pathOf(object.parent) + "/" + object.name;
    }

    struct Entry
    {
        MtpObject object;
        std::string bytes;
    };

    std::error_code request()
    {
        ++m_requests;
        if (quirks.perRequest.count() > 0)
            std::this_thread::sleep_for(quirks.perRequest);
        if (quirks.gone)
            return std::make_error_code(std::errc::no_such_device);
        return {};
    }

    std::uint32_t folderIn(std::uint32_t parent, const std::string& name)
    {
        for (const auto& [handle, entry] : m_objects) {
            if (entry.object.parent == parent && entry.object.folder && entry.object.name == name)
                return handle;
        }
        const std::uint32_t handle = m_next++;
        m_objects[handle] = {{.handle = handle, .parent = parent, .storage = m_storages[0].id,
                              .name = name, .folder = true},
                             {}};
        return handle;
    }

    mutable std::mutex m_lock;
    std::string m_host;
    std::vector<MtpStorage> m_storages;
    std::map<std::uint32_t, Entry> m_objects;
    std::uint32_t m_next = 1;
    std::size_t m_requests = 0;
    std::optional<bool> m_renames;
    std::vector<std::string> m_declared;
    std::set<std::uint32_t> m_made; // folders made through makeFolder
    std::size_t m_listings = 0;
};

// The devices attached: the fakes given, by host.
class MemoryMtpDevices final : public MtpDevices
{
public:
    void attach(std::shared_ptr<MemoryMtpDevice> device) { m_devices.push_back(std::move(device)); }

    MtpDeviceList list() override
    {
        MtpDeviceList list;
        for (const auto& device : m_devices) {
            if (device->quirks.busy) {
                list.problems.push_back(mtpProblem(device->host(), std::make_error_code(
                                                                       std::errc::device_or_resource_busy)));
                continue;
            }
            for (const auto& storage : device->storages().value)
                list.addresses.push_back("mtp://" + device->host() + "/" + storage.description);
        }
        return list;
    }

    Outcome<std::shared_ptr<MtpDevice>> open(const std::string& host) override
    {
        for (const auto& device : m_devices) {
            if (device->host() != host)
                continue;
            if (device->quirks.busy)
                return {{}, std::make_error_code(std::errc::device_or_resource_busy)};
            return {device, {}};
        }
        return {{}, std::make_error_code(std::errc::no_such_device)};
    }

private:
    std::vector<std::shared_ptr<MemoryMtpDevice>> m_devices;
};

} // namespace parlowen
