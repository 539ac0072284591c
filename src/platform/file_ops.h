// The file operations that carrying out a plan needs, so tests can make any one of them fail.
#pragma once

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

struct DeviceRoom
{
    std::int64_t freeBytes = 0;
    std::string mountPoint; // where its file system is mounted, as people know the device
};

class FileOps
{
public:
    virtual ~FileOps() = default;
    // Opens a regular file for reading, never a FIFO or device that took a file's place.
    virtual Outcome<OpenedSource> openSource(const std::string& path) = 0;
    // Creates a new file; fails with EEXIST when anything answers to the name.
    virtual Outcome<UniqueFd> createTemporary(const std::string& path) = 0;
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
    // Returns once the files' data and times are on their devices: one flush of a whole file
    // system where that is cheaper than one per file. An error means none can be trusted.
    virtual std::error_code flush(const std::vector<const UniqueFd*>& files) = 0;
    // The facts of the file at path (links followed); no value when nothing is there.
    virtual Outcome<std::optional<FileFacts>> factsOf(const std::string& path) = 0;
    // Renames in one step, replacing what is at the target path.
    virtual std::error_code rename(const std::string& from, const std::string& to) = 0;
    // Renames in one step; fails with EEXIST when any entry answers to the target name.
    virtual std::error_code renameNoReplace(const std::string& from, const std::string& to) = 0;
    virtual std::error_code remove(const std::string& path) = 0;
    // The names of the regular files in a folder (no folders, links or devices).
    virtual Outcome<std::vector<std::string>> filesIn(const std::string& folder) = 0;
    // Whether the folder lies on a FAT or exFAT file system, whose names cannot hold every
    // character a Linux name can.
    virtual bool hasFatNames(const std::string& folder) = 0;
    // The device a folder lies on.
    virtual Outcome<std::uint64_t> deviceOf(const std::string& folder) = 0;
    // The room left for this user on the device a folder lies on.
    virtual Outcome<DeviceRoom> roomOn(const std::string& folder) = 0;
    // Flushes a folder's entries (the renames into it) to the device.
    virtual std::error_code syncFolder(const std::string& folder) = 0;
};

} // namespace parlowen
