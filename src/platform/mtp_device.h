// A player that speaks MTP, as the scan and the copies see it: storages, folders listed by
// parent, files read by handle. Its one implementation over libmtp lives in mtp_connection;
// tests give an in-memory one.
#pragma once

#include "platform/file_ops.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

namespace parlowen {

// The parent of the objects at a storage's top, as it is asked for.
inline constexpr std::uint32_t kMtpStorageTop = 0xFFFFFFFFu;

// Whether two parents are one folder: devices answer 0 for the objects at a storage's top.
inline bool sameParent(std::uint32_t a, std::uint32_t b)
{
    const auto top = [](std::uint32_t p) { return p == 0 ? kMtpStorageTop : p; };
    return top(a) == top(b);
}

struct MtpObject
{
    std::uint32_t handle = 0;
    std::uint32_t parent = kMtpStorageTop;
    std::uint32_t storage = 0;
    std::string name = {};
    bool folder = false;
    std::int64_t size = 0;
    std::int64_t modified = 0; // seconds since the epoch, as the device keeps it
};

struct MtpStorage
{
    std::uint32_t id = 0;
    std::string description = {}; // "Internal storage": the address names it so
    std::int64_t freeBytes = 0;
    std::int64_t capacity = 0;
};

// Errors a device gives, as the rest of the program tells them apart:
//   no_such_device             it is not attached (any more)
//   device_or_resource_busy    another program (a file manager) holds it
//   no_such_file_or_directory  the object is gone
//   operation_canceled         a stop ended the transfer
//   io_error                   anything else the device refused
class MtpDevice
{
public:
    virtual ~MtpDevice() = default;

    // "Manufacturer_Model_Serial", as the address names the device.
    virtual std::string host() const = 0;
    virtual Outcome<std::vector<MtpStorage>> storages() = 0;
    // The kinds of file it says it plays, as MIME types ("audio/mpeg"); none where it says none.
    virtual std::vector<std::string> playedTypes() { return {}; }
    // The objects directly inside a folder (kMtpStorageTop for the storage's top).
    virtual Outcome<std::vector<MtpObject>> children(std::uint32_t storage,
                                                     std::uint32_t parent) = 0;
    // What the device says of one object now.
    virtual Outcome<MtpObject> object(std::uint32_t handle) = 0;
    // Writes the file's bytes to fd, telling copied the bytes so far; a stop cancels.
    virtual std::error_code download(std::uint32_t handle, int fd, const std::stop_token& stop,
                                     const std::function<void(std::int64_t)>& copied) = 0;

    // Sends size bytes read from fd as a new file of that name in the folder (kMtpStorageTop
    // for the storage's top), telling sent the bytes so far; its handle. It is declared as the
    // kind of file song's ending names (players file music by it, whatever the name it is sent
    // under). A stop cancels (the error is operation_canceled); what the device kept of it is
    // the caller's to remove.
    virtual Outcome<std::uint32_t> upload(std::uint32_t storage, std::uint32_t parent,
                                          const std::string& name, const std::string& song,
                                          int fd, std::int64_t size,
                                          const std::stop_token& stop,
                                          const std::function<void(std::int64_t)>& sent) = 0;
    // Gives the object another name; not_supported where the device cannot rename.
    virtual std::error_code rename(std::uint32_t handle, const std::string& name) = 0;
    // Removes one object. Callers go through removeChecked.
    virtual std::error_code remove(std::uint32_t handle) = 0;
    virtual Outcome<std::uint32_t> makeFolder(std::uint32_t storage, std::uint32_t parent,
                                              const std::string& name) = 0;
    // Whether the device renames: known once it has been asked (or has said beforehand).
    virtual std::optional<bool> renames() const = 0;
};

// What must still be true of an object before it is removed.
struct ExpectedObject
{
    std::uint32_t handle = 0;
    std::uint32_t parent = kMtpStorageTop;
    std::string name = {};
    std::int64_t size = 0;
    bool below = false; // any size below size will do (what an upload of size bytes left)
};

// Removes the object only while the device still says it lies in that folder under that name
// with that size; never handle 0 nor the storage's top. The handle must have been found since
// the device was opened.
std::error_code removeChecked(MtpDevice& device, const ExpectedObject& expected);

struct MtpDeviceList
{
    std::vector<std::string> addresses; // one per storage: "mtp://HOST/STORAGE"
    std::vector<std::string> problems;  // a device that could not be opened, in plain words
};

// The attached devices. A device is opened once and shared by the scans and the copies for as
// long as any of them holds it: the handles a scan saw stay valid for the run after it.
class MtpDevices
{
public:
    virtual ~MtpDevices() = default;
    // Where uploads in flight are recorded, so that a partial file a run leaves is found and
    // removed by the next; "" for no record.
    std::string journalPath = {};
    virtual MtpDeviceList list() = 0;
    virtual Outcome<std::shared_ptr<MtpDevice>> open(const std::string& host) = 0;
};

// How far a path of folders leads on a storage of the device.
struct MtpWalk
{
    std::error_code error = {}; // the device did not answer
    bool storageFound = false;
    MtpStorage storage = {};
    std::uint32_t folder = kMtpStorageTop; // the deepest folder reached
    std::size_t reached = 0;               // how many of the path's folders are there
    bool fileInTheWay = false;             // the next name is a file's, not a folder's
};

// Walks from the storage of that description down the folder names, each looked up in its
// parent; stops at the first that is not there.
MtpWalk walkTo(MtpDevice& device, const std::string& storage,
               const std::vector<std::string>& folders);

// The names of a "/"-separated path's folders ("Music/ABBA/" is {"Music", "ABBA"}).
std::vector<std::string> folderNames(const std::string& path);

// The device's trouble in a player owner's words: "the player Parlowen_Test_Player_0001 is not
// connected".
std::string mtpProblem(const std::string& host, const std::error_code& error);

} // namespace parlowen
