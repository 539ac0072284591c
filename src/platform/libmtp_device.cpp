// One player opened through libmtp.
#include "platform/libmtp_device.h"

#include "platform/owner_thread.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <thread>
#include <unistd.h>

namespace parlowen {
namespace {

LIBMTP_filetype_t fileTypeOf(const std::string& name)
{
    static const std::pair<const char*, LIBMTP_filetype_t> kinds[] = {
        {".mp3", LIBMTP_FILETYPE_MP3},   {".flac", LIBMTP_FILETYPE_FLAC},
        {".ogg", LIBMTP_FILETYPE_OGG},   {".wav", LIBMTP_FILETYPE_WAV},
        {".wma", LIBMTP_FILETYPE_WMA},   {".m4a", LIBMTP_FILETYPE_M4A},
        {".aac", LIBMTP_FILETYPE_AAC},   {".jpg", LIBMTP_FILETYPE_JPEG},
        {".m3u", LIBMTP_FILETYPE_PLAYLIST},
    };
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [ending, kind] : kinds) {
        if (lower.ends_with(ending))
            return kind;
    }
    return LIBMTP_FILETYPE_UNKNOWN;
}

MtpObject objectOf(const LIBMTP_file_t& file)
{
    return {.handle = file.item_id,
            .parent = file.parent_id == 0 ? kMtpStorageTop : file.parent_id, // at the top
            .storage = file.storage_id,
            .name = file.filename ? file.filename : "",
            .folder = file.filetype == LIBMTP_FILETYPE_FOLDER,
            .size = static_cast<std::int64_t>(file.filesize),
            .modified = static_cast<std::int64_t>(file.modificationdate)};
}

// What a transfer tells as it goes, and how a stop reaches it: libmtp's progress callback
// cancels the transfer when it returns non-zero.
struct TransferWatch
{
    const std::stop_token& stop;
    const std::function<void(std::int64_t)>& moved;

    static int told(std::uint64_t bytes, std::uint64_t, void const* data)
    {
        const auto& watch = *static_cast<const TransferWatch*>(data);
        if (watch.moved)
            watch.moved(static_cast<std::int64_t>(bytes));
        return watch.stop.stop_requested() ? 1 : 0;
    }
};

// One open device. Every call runs on the owner thread.
class LibmtpDevice final : public MtpDevice
{
public:
    LibmtpDevice(std::shared_ptr<OwnerThread> owner, LIBMTP_mtpdevice_t* device, std::string host,
                 const LIBMTP_raw_device_t& raw)
        : m_owner(std::move(owner)), m_device(device), m_host(std::move(host)),
          m_bus(raw.bus_location), m_number(raw.devnum)
    {
        if (LIBMTP_Is_Property_Supported(m_device, LIBMTP_PROPERTY_ObjectFileName,
                                         LIBMTP_FILETYPE_UNKNOWN) <= 0)
            m_renames = false;
    }
    ~LibmtpDevice() override
    {
        m_owner->call([this] { LIBMTP_Release_Device(m_device); });
    }

    bool broken() const { return m_broken; }
    bool isAt(const LIBMTP_raw_device_t& raw) const
    {
        return raw.bus_location == m_bus && raw.devnum == m_number;
    }
    std::string host() const override { return m_host; }

    Outcome<std::vector<MtpStorage>> storages() override
    {
        return m_owner->call([this] {
            Outcome<std::vector<MtpStorage>> outcome;
            if (LIBMTP_Get_Storage(m_device, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0) {
                outcome.error = lastError();
                return outcome;
            }
            for (auto* s = m_device->storage; s; s = s->next)
                outcome.value.push_back({.id = s->id,
                                         .description = s->StorageDescription
                                                            ? s->StorageDescription
                                                            : "Storage",
                                         .freeBytes = static_cast<std::int64_t>(s->FreeSpaceInBytes),
                                         .capacity = static_cast<std::int64_t>(s->MaxCapacity)});
            return outcome;
        });
    }

    std::vector<std::string> playedTypes() override
    {
        return m_owner->call([this] {
            std::vector<std::string> types;
            std::uint16_t* kinds = nullptr;
            std::uint16_t count = 0;
            if (LIBMTP_Get_Supported_Filetypes(m_device, &kinds, &count) != 0)
                return types;
            for (std::uint16_t i = 0; i < count; ++i) {
                switch (kinds[i]) {
                case LIBMTP_FILETYPE_MP3:
                    types.emplace_back("audio/mpeg");
                    break;
                case LIBMTP_FILETYPE_OGG:
                    types.emplace_back("audio/ogg");
                    break;
                case LIBMTP_FILETYPE_MP4:
                case LIBMTP_FILETYPE_M4A:
                case LIBMTP_FILETYPE_AAC:
                    types.emplace_back("audio/mp4");
                    break;
                case LIBMTP_FILETYPE_FLAC:
                    types.emplace_back("audio/flac");
                    break;
                default:
                    break;
                }
            }
            std::free(kinds);
            return types;
        });
    }

    Outcome<std::vector<MtpObject>> children(std::uint32_t storage, std::uint32_t parent) override
    {
        return m_owner->call([&] {
            Outcome<std::vector<MtpObject>> outcome;
            LIBMTP_Clear_Errorstack(m_device);
            LIBMTP_file_t* files = LIBMTP_Get_Files_And_Folders(m_device, storage, parent);
            while (files) {
                outcome.value.push_back(objectOf(*files));
                LIBMTP_file_t* next = files->next;
                LIBMTP_destroy_file_t(files);
                files = next;
            }
            // An empty folder and a failure both give no list: the error stack tells them apart.
            if (LIBMTP_Get_Errorstack(m_device))
                outcome.error = lastError();
            return outcome;
        });
    }

    Outcome<MtpObject> object(std::uint32_t handle) override
    {
        return m_owner->call([&] {
            Outcome<MtpObject> outcome;
            LIBMTP_Clear_Errorstack(m_device);
            LIBMTP_file_t* file = LIBMTP_Get_Filemetadata(m_device, handle);
            if (!file) {
                outcome.error = LIBMTP_Get_Errorstack(m_device)
                                    ? lastError()
                                    : std::make_error_code(std::errc::no_such_file_or_directory);
                return outcome;
            }
            outcome.value = objectOf(*file);
            LIBMTP_destroy_file_t(file);
            return outcome;
        });
    }

    std::error_code download(std::uint32_t handle, int fd, const std::stop_token& stop,
                             const std::function<void(std::int64_t)>& copied) override
    {
        const auto facts = object(handle);
        if (facts.error)
            return facts.error;
        const bool inPieces = m_owner->call([this] {
            return LIBMTP_Check_Capability(m_device, LIBMTP_DEVICECAP_GetPartialObject) != 0;
        });
        return inPieces ? downloadInPieces(handle, facts.value.size, fd, stop, copied)
                        : downloadWhole(handle, fd, stop, copied);
    }

    Outcome<std::uint32_t> upload(std::uint32_t storage, std::uint32_t parent,
                                  const std::string& name, const std::string& song, int fd,
                                  std::int64_t size,
                                  const std::stop_token& stop,
                                  const std::function<void(std::int64_t)>& sent) override
    {
        const TransferWatch watch{stop, sent};
        return m_owner->call([&] {
            Outcome<std::uint32_t> outcome;
            LIBMTP_file_t* file = LIBMTP_new_file_t();
            file->filename = strdup(name.c_str());
            file->filesize = static_cast<std::uint64_t>(size);
            file->filetype = fileTypeOf(song);
            // Never 0: libmtp would send the file to the device's folder for its kind.
            file->parent_id = parent;
            file->storage_id = storage;
            LIBMTP_Clear_Errorstack(m_device);
            const int failed = LIBMTP_Send_File_From_File_Descriptor(
                m_device, fd, file, TransferWatch::told, &watch);
            outcome.value = file->item_id; // what the device made of it, even when cut short
            if (failed)
                outcome.error = stop.stop_requested()
                                    ? std::make_error_code(std::errc::operation_canceled)
                                    : lastError();
            LIBMTP_destroy_file_t(file);
            return outcome;
        });
    }

    std::error_code rename(std::uint32_t handle, const std::string& name) override
    {
        return m_owner->call([&]() -> std::error_code {
            if (m_renames == false)
                return std::make_error_code(std::errc::not_supported);
            LIBMTP_Clear_Errorstack(m_device);
            // The rename is asked for the kind the player itself gives the object: uMTP-Responder
            // files every object as undefined and refuses to rename an Ogg as an Ogg.
            LIBMTP_file_t* file = LIBMTP_Get_Filemetadata(m_device, handle);
            if (!file)
                return lastError();
            const int failed = LIBMTP_Set_File_Name(m_device, file, name.c_str());
            LIBMTP_destroy_file_t(file);
            if (!failed) {
                m_renames = true;
                return {};
            }
            const auto error = lastError();
            if (error == std::errc::no_such_device)
                return error;
            m_renames = false; // found at its first refusal
            return std::make_error_code(std::errc::not_supported);
        });
    }

    std::error_code remove(std::uint32_t handle) override
    {
        return m_owner->call([&]() -> std::error_code {
            LIBMTP_Clear_Errorstack(m_device);
            return LIBMTP_Delete_Object(m_device, handle) == 0 ? std::error_code() : lastError();
        });
    }

    Outcome<std::uint32_t> makeFolder(std::uint32_t storage, std::uint32_t parent,
                                      const std::string& name) override
    {
        return m_owner->call([&] {
            Outcome<std::uint32_t> outcome;
            std::string writable = name; // libmtp takes a char*
            LIBMTP_Clear_Errorstack(m_device);
            outcome.value = LIBMTP_Create_Folder(m_device, writable.data(), parent, storage);
            if (outcome.value == 0)
                outcome.error = lastError();
            else
                awaitFolder(storage, outcome.value);
            return outcome;
        });
    }

    // Some players (QEMU's usb-mtp) learn of a folder they made a moment later, and of what is
    // made in it only once it has been listed: until then a file or folder sent into it is
    // refused. Asked for until it answers (a couple of seconds at most), then listed once.
    void awaitFolder(std::uint32_t storage, std::uint32_t folder)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            LIBMTP_file_t* known = LIBMTP_Get_Filemetadata(m_device, folder);
            LIBMTP_Clear_Errorstack(m_device);
            if (known) {
                LIBMTP_destroy_file_t(known);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (LIBMTP_file_t* listed = LIBMTP_Get_Files_And_Folders(m_device, storage, folder); listed;) {
            LIBMTP_file_t* next = listed->next;
            LIBMTP_destroy_file_t(listed);
            listed = next;
        }
        LIBMTP_Clear_Errorstack(m_device);
    }

    std::optional<bool> renames() const override
    {
        return m_owner->call([this] { return m_renames; });
    }

private:
    // A piece at a time, each its own request: a stop falls between two, so no transfer is
    // ever cancelled (uMTP-Responder drops off the bus when one is), and the owner thread
    // serves other requests in between.
    std::error_code downloadInPieces(std::uint32_t handle, std::int64_t size, int fd,
                                     const std::stop_token& stop,
                                     const std::function<void(std::int64_t)>& copied)
    {
        constexpr std::uint32_t kPiece = 1 << 20;
        for (std::int64_t done = 0; done < size;) {
            if (stop.stop_requested())
                return std::make_error_code(std::errc::operation_canceled);
            const auto e = m_owner->call([&]() -> std::error_code {
                unsigned char* data = nullptr;
                unsigned int got = 0;
                LIBMTP_Clear_Errorstack(m_device);
                if (LIBMTP_GetPartialObject(m_device, handle, static_cast<std::uint64_t>(done),
                                            kPiece, &data, &got) != 0 ||
                    got == 0) {
                    std::free(data);
                    return lastError();
                }
                std::size_t written = 0;
                while (written < got) {
                    const ssize_t n = ::write(fd, data + written, got - written);
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n < 0) {
                        std::free(data);
                        return {errno, std::generic_category()};
                    }
                    written += static_cast<std::size_t>(n);
                }
                std::free(data);
                done += got;
                return {};
            });
            if (e)
                return e;
            if (copied)
                copied(done);
        }
        return {};
    }

    // The whole object in one transfer, for a device that cannot send pieces; a stop cancels it.
    std::error_code downloadWhole(std::uint32_t handle, int fd, const std::stop_token& stop,
                                  const std::function<void(std::int64_t)>& copied)
    {
        const TransferWatch watch{stop, copied};
        return m_owner->call([&]() -> std::error_code {
            LIBMTP_Clear_Errorstack(m_device);
            if (LIBMTP_Get_File_To_File_Descriptor(m_device, handle, fd, TransferWatch::told,
                                                   &watch) == 0)
                return {};
            if (stop.stop_requested())
                return std::make_error_code(std::errc::operation_canceled);
            return lastError();
        });
    }

    // What the error stack says, as an error code; a device gone from the bus is no_such_device.
    std::error_code lastError()
    {
        std::error_code error = std::make_error_code(std::errc::io_error);
        for (auto* e = LIBMTP_Get_Errorstack(m_device); e; e = e->next) {
            if (e->errornumber == LIBMTP_ERROR_NO_DEVICE_ATTACHED ||
                e->errornumber == LIBMTP_ERROR_USB_LAYER) {
                error = std::make_error_code(std::errc::no_such_device);
                m_broken = true;
            }
        }
        LIBMTP_Clear_Errorstack(m_device);
        return error;
    }

    std::shared_ptr<OwnerThread> m_owner;
    LIBMTP_mtpdevice_t* m_device;
    std::string m_host;
    std::uint32_t m_bus;
    std::uint8_t m_number;
    // Whether the device renames: a device that cannot set an object's name says so beforehand;
    // otherwise the first rename tells.
    std::optional<bool> m_renames;
    bool m_broken = false; // read and written on the owner thread only
};

} // namespace

std::shared_ptr<MtpDevice> libmtpDevice(std::shared_ptr<OwnerThread> owner,
                                        LIBMTP_mtpdevice_t* device, std::string host,
                                        const LIBMTP_raw_device_t& raw)
{
    return std::make_shared<LibmtpDevice>(std::move(owner), device, std::move(host), raw);
}

bool libmtpDeviceBroken(const MtpDevice& device)
{
    return static_cast<const LibmtpDevice&>(device).broken();
}

bool libmtpDeviceAt(const MtpDevice& device, const LIBMTP_raw_device_t& raw)
{
    return static_cast<const LibmtpDevice&>(device).isAt(raw);
}

} // namespace parlowen
