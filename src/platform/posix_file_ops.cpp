// The file operations on the real file system.
#include "platform/posix_file_ops.h"

#include "platform/file_system_kind.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace parlowen {
namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;

std::error_code errorOf(int number)
{
    return {number, std::generic_category()};
}

FileFacts factsFrom(const struct stat& info)
{
    return {static_cast<std::int64_t>(info.st_size), info.st_atim, info.st_mtim};
}

// Plain reads and writes, for file systems that cannot copy a range themselves.
Outcome<std::size_t> readWriteChunk(int in, int out, std::size_t max)
{
    static thread_local std::vector<char> buffer(1 << 20);
    const std::size_t wanted = std::min(max, buffer.size());
    ssize_t got = 0;
    do {
        got = ::read(in, buffer.data(), wanted);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return {0, lastError()};
    std::size_t written = 0;
    while (written < static_cast<std::size_t>(got)) {
        const ssize_t put =
            ::write(out, buffer.data() + written, static_cast<std::size_t>(got) - written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return {0, lastError()};
        written += static_cast<std::size_t>(put);
    }
    return {static_cast<std::size_t>(got), {}};
}

} // namespace

Outcome<OpenedSource> PosixFileOps::openSource(const std::string& path)
{
    struct stat info = {};
    // Looked at first, so that a FIFO or a device that took a file's place is never opened.
    if (::stat(path.c_str(), &info) != 0)
        return {{}, lastError()};
    if (!S_ISREG(info.st_mode))
        return {{}, errorOf(S_ISDIR(info.st_mode) ? EISDIR : EINVAL)};
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return {{}, lastError()};
    if (::fstat(fd.get(), &info) != 0)
        return {{}, lastError()};
    if (!S_ISREG(info.st_mode))
        return {{}, errorOf(EINVAL)};
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return {{std::move(fd), factsFrom(info)}, {}};
}

Outcome<UniqueFd> PosixFileOps::createTemporary(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd)
        return {{}, lastError()};
    return {std::move(fd), {}};
}

Outcome<std::size_t> PosixFileOps::copyChunk(const UniqueFd& in, const UniqueFd& out,
                                             std::size_t max)
{
    const ssize_t done = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, max, 0);
    if (done >= 0)
        return {static_cast<std::size_t>(done), {}};
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
        return readWriteChunk(in.get(), out.get(), max);
    return {0, lastError()};
}

void PosixFileOps::startWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length)
{
    // Only a head start: flush() waits for the data whatever happens here.
    ::sync_file_range(fd.get(), offset, length, SYNC_FILE_RANGE_WRITE);
}

void PosixFileOps::waitWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length)
{
    ::sync_file_range(fd.get(), offset, length,
                      SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                          SYNC_FILE_RANGE_WAIT_AFTER);
}

std::error_code PosixFileOps::setTimes(const UniqueFd& fd, const struct timespec& accessed,
                                       const struct timespec& modified)
{
    // Both times: exFAT through FUSE ignores an update of the modification time alone.
    const struct timespec times[2] = {accessed, modified};
    return ::futimens(fd.get(), times) != 0 ? lastError() : std::error_code();
}

std::error_code PosixFileOps::flush(const std::vector<const UniqueFd*>& files)
{
    // Many small files cost one journal commit each when flushed one by one; one syncfs of
    // their file system flushes them all at once. FUSE file systems only promise what their
    // own fsync does, so their files are flushed one by one.
    std::map<dev_t, int> wholeSystems; // a descriptor on each device flushed as a whole
    for (const UniqueFd* file : files) {
        struct stat info = {};
        struct statfs system = {};
        if (::fstat(file->get(), &info) != 0 || ::fstatfs(file->get(), &system) != 0)
            return lastError();
        if (files.size() > 1 && system.f_type != kFuseMagic) {
            wholeSystems.emplace(info.st_dev, file->get());
            continue;
        }
        if (::fsync(file->get()) != 0)
            return lastError();
    }
    for (const auto& [device, fd] : wholeSystems) {
        if (::syncfs(fd) != 0)
            return lastError();
    }
    return {};
}

Outcome<std::optional<FileFacts>> PosixFileOps::factsOf(const std::string& path)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) == 0)
        return {factsFrom(info), {}};
    if (errno == ENOENT)
        return {std::nullopt, {}};
    return {std::nullopt, lastError()};
}

std::error_code PosixFileOps::rename(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) != 0 ? lastError() : std::error_code();
}

std::error_code PosixFileOps::renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return lastError();
    return renameAfterLookUp(from, to); // some FUSE file systems refuse the flag
}

std::error_code PosixFileOps::remove(const std::string& path)
{
    return ::unlink(path.c_str()) != 0 ? lastError() : std::error_code();
}

Outcome<std::vector<std::string>> PosixFileOps::filesIn(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return {{}, lastError()};
    Outcome<std::vector<std::string>> result;
    while (const struct dirent* entry = ::readdir(dir)) {
        struct stat info = {};
        if (entry->d_type == DT_REG ||
            (entry->d_type == DT_UNKNOWN &&
             ::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISREG(info.st_mode)))
            result.value.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return result;
}

std::error_code renameAfterLookUp(const std::string& from, const std::string& to)
{
    struct stat info = {};
    if (::lstat(to.c_str(), &info) == 0)
        return errorOf(EEXIST);
    if (errno != ENOENT)
        return lastError();
    return ::rename(from.c_str(), to.c_str()) != 0 ? lastError() : std::error_code();
}

bool PosixFileOps::hasFatNames(const std::string& folder)
{
    // Asked once per target folder: the mount table and boot sector once per device.
    struct stat info = {};
    if (::stat(folder.c_str(), &info) != 0)
        return false;
    const auto known = m_fatDevices.find(info.st_dev);
    if (known != m_fatDevices.end())
        return known->second;
    return m_fatDevices[info.st_dev] = onFatFileSystem(folder);
}

Outcome<std::uint64_t> PosixFileOps::deviceOf(const std::string& folder)
{
    struct stat info = {};
    if (::stat(folder.c_str(), &info) != 0)
        return {0, lastError()};
    return {static_cast<std::uint64_t>(info.st_dev), {}};
}

Outcome<DeviceRoom> PosixFileOps::roomOn(const std::string& folder)
{
    struct statvfs room = {};
    if (::statvfs(folder.c_str(), &room) != 0)
        return {{}, lastError()};
    DeviceRoom result;
    result.freeBytes = static_cast<std::int64_t>(room.f_bavail) *
                       static_cast<std::int64_t>(room.f_frsize);
    result.mountPoint = mountPointOf(folder);
    return {result, {}};
}

std::error_code PosixFileOps::syncFolder(const std::string& folder)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return lastError();
    return ::fsync(fd.get()) != 0 ? lastError() : std::error_code();
}

} // namespace parlowen
