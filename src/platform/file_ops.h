// The file operations that carrying out a plan needs, so tests can make any one of them fail.
// Targets are written relative to their folder opened once, so a copy can never land in
// whatever later takes that folder's path (an empty mount point, say).
#pragma once

#include "platform/device_traits.h"
#include "platform/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace parlowen {

// What a file's inode says, as far as a copy needs it.
struct FileFacts
{
    std::int64_t size = 0;
    struct timespec accessed = {};
    struct timespec modified = {};
    struct timespec changed = {}; // any write or attribute change moves it
};

// A value, or the reason there is none.
template <class T> struct Outcome
{
    T value{};
    std::error_code error;
};

struct OpenedSource
{
    UniqueFd fd;
    FileFacts facts;
};

// Which folder a path leads to. A player swapped for another of its kind can come back with
// the same device number and inode (a FAT root is always inode 1): the mount it is reached
// through tells them apart.
struct FolderIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t mount = 0; // the kernel's mount id; never reused since Linux 6.8
    bool operator==(const FolderIdentity&) const = default;
};

struct OpenedFolder
{
    UniqueFd fd;
    FolderIdentity identity;
};

enum class RenameMode
{
    Replace,  // replaces what is at the target name
    NoReplace // fails with EEXIST when any entry answers to it
};

class FileOps
{
public:
    virtual ~FileOps() = default;

    // Opens a regular file for reading, never a FIFO or device that took a file's place.
    virtual Outcome<OpenedSource> openSource(const std::string& path) = 0;
    // The facts of an open file as they are now.
    virtual Outcome<FileFacts> factsOfOpen(const UniqueFd& fd) = 0;

    virtual Outcome<OpenedFolder> openFolder(const std::string& path) = 0;
    // Which folder the path leads to now.
    virtual Outcome<FolderIdentity> identityOf(const std::string& path) = 0;
    // Takes the advisory lock one run holds on each target folder; EWOULDBLOCK when another
    // run holds it. Released when the folder is closed.
    virtual std::error_code lockFolder(const OpenedFolder& folder) = 0;
    virtual Outcome<DeviceTraits> traitsOf(const OpenedFolder& folder) = 0;
    // The room left for this user on the folder's device.
    virtual Outcome<std::int64_t> freeBytesOn(const OpenedFolder& folder) = 0;
    // The names of the regular files in the folder (no folders, links or devices).
    virtual Outcome<std::vector<std::string>> filesIn(const OpenedFolder& folder) = 0;
    // Flushes the folder's entries (the renames into it) to the device.
    virtual std::error_code syncFolder(const OpenedFolder& folder) = 0;
    // Makes a folder of that name in the folder, as mkdir does (the umask and default ACLs).
    virtual std::error_code makeFolder(const OpenedFolder& parent, const std::string& name) = 0;

    // Creates a new file; fails with EEXIST when anything answers to the name.
    virtual Outcome<UniqueFd> createIn(const OpenedFolder& folder, const std::string& name) = 0;
    // The facts of the file of that name (links followed); no value when nothing is there.
    virtual Outcome<std::optional<FileFacts>> factsIn(const OpenedFolder& folder,
                                                      const std::string& name) = 0;
    // Renames in one step. NoReplace fails with EINVAL, ENOSYS or EOPNOTSUPP where the file
    // system refuses the flag.
    virtual std::error_code renameIn(const OpenedFolder& folder, const std::string& from,
                                     const std::string& to, RenameMode mode) = 0;
    virtual std::error_code removeIn(const OpenedFolder& folder, const std::string& name) = 0;

    // Copies up to max bytes from in to out at their current offsets; 0 copied is the end.
    virtual Outcome<std::size_t> copyChunk(const UniqueFd& in, const UniqueFd& out,
                                           std::size_t max) = 0;
    // Starts writing a range of the file's data to the device without waiting for it.
    virtual void startWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) = 0;
    // Waits until a range whose writing was started is on the device.
    virtual void waitWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) = 0;
    // Gives the file both times.
    virtual std::error_code setTimes(const UniqueFd& fd, const struct timespec& accessed,
                                     const struct timespec& modified) = 0;
    // Returns once the file's data and times are on its device.
    virtual std::error_code flushFile(const UniqueFd& fd) = 0;
    // Returns once everything written to the file's device is on it: one flush for many
    // small files instead of a journal commit each.
    virtual std::error_code flushDevice(const UniqueFd& fd) = 0;
};

} // namespace parlowen
