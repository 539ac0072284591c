// The file operations on the real file system.
#include "platform/posix_file_ops.h"

#include "platform/directory_listing.h"
#include "platform/folder_identity.h"
#include "platform/file_system_kind.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace parlowen {
namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::error_code errorOf(int number)
{
    return {number, std::generic_category()};
}

std::error_code resultOf(int returned)
{
    return returned != 0 ? lastError() : std::error_code();
}

FileFacts factsFrom(const struct stat& info)
{
    return {static_cast<std::int64_t>(info.st_size), info.st_atim, info.st_mtim, info.st_ctim};
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
    if (info.st_size > (2 << 20)) // read in more than one piece
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return {{std::move(fd), factsFrom(info)}, {}};
}

Outcome<FileFacts> PosixFileOps::factsOfOpen(const UniqueFd& fd)
{
    struct stat info = {};
    if (::fstat(fd.get(), &info) != 0)
        return {{}, lastError()};
    return {factsFrom(info), {}};
}

Outcome<OpenedFolder> PosixFileOps::openFolder(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return {{}, lastError()};
    auto identity = folderIdentity(fd.get(), "");
    if (identity.error)
        return {{}, identity.error};
    return {{std::move(fd), identity.value}, {}};
}

Outcome<FolderIdentity> PosixFileOps::identityOf(const std::string& path)
{
    return folderIdentity(AT_FDCWD, path.c_str());
}

std::error_code PosixFileOps::lockFolder(const OpenedFolder& folder)
{
    int result = 0;
    do {
        result = ::flock(folder.fd.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return resultOf(result);
}

Outcome<DeviceTraits> PosixFileOps::traitsOf(const OpenedFolder& folder)
{
    Outcome<DeviceTraits> result;
    result.error = readDeviceTraits(folder.fd.get(), result.value);
    return result;
}

Outcome<std::int64_t> PosixFileOps::freeBytesOn(const OpenedFolder& folder)
{
    struct statvfs room = {};
    if (::fstatvfs(folder.fd.get(), &room) != 0)
        return {0, lastError()};
    return {static_cast<std::int64_t>(room.f_bavail) * static_cast<std::int64_t>(room.f_frsize),
            {}};
}

Outcome<std::vector<std::string>> PosixFileOps::filesIn(const OpenedFolder& folder)
{
    std::vector<char> buffer;
    const DirectoryListing listing(folder.fd.get(), ".", buffer);
    Outcome<std::vector<std::string>> result;
    result.error = listing.error();
    listing.forEach([&](std::string_view name, unsigned char type) {
        struct stat info = {};
        if (type == DT_REG ||
            (type == DT_UNKNOWN &&
             ::fstatat(folder.fd.get(), name.data(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISREG(info.st_mode)))
            result.value.emplace_back(name);
    });
    return result;
}

std::error_code PosixFileOps::syncFolder(const OpenedFolder& folder)
{
    return resultOf(::fsync(folder.fd.get()));
}

std::error_code PosixFileOps::makeFolder(const OpenedFolder& parent, const std::string& name)
{
    // As mkdir makes it: the umask and the parent's default ACL decide, never the parent's own
    // mode (a shared 1777 folder would give world-writable folders).
    return resultOf(::mkdirat(parent.fd.get(), name.c_str(), 0777));
}

Outcome<UniqueFd> PosixFileOps::createIn(const OpenedFolder& folder, const std::string& name)
{
    UniqueFd fd(::openat(folder.fd.get(), name.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
    if (!fd)
        return {{}, lastError()};
    return {std::move(fd), {}};
}

Outcome<std::optional<FileFacts>> PosixFileOps::factsIn(const OpenedFolder& folder,
                                                        const std::string& name)
{
    struct stat info = {};
    if (::fstatat(folder.fd.get(), name.c_str(), &info, 0) == 0)
        return {factsFrom(info), {}};
    if (errno == ENOENT)
        return {std::nullopt, {}};
    return {std::nullopt, lastError()};
}

std::error_code PosixFileOps::renameIn(const OpenedFolder& folder, const std::string& from,
                                       const std::string& to, RenameMode mode)
{
    const int fd = folder.fd.get();
    return resultOf(::renameat2(fd, from.c_str(), fd, to.c_str(),
                                mode == RenameMode::NoReplace ? RENAME_NOREPLACE : 0));
}

std::error_code PosixFileOps::removeIn(const OpenedFolder& folder, const std::string& name)
{
    return resultOf(::unlinkat(folder.fd.get(), name.c_str(), 0));
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
    // Only a head start: the flush waits for the data whatever happens here.
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
    return resultOf(::futimens(fd.get(), times));
}

std::error_code PosixFileOps::flushFile(const UniqueFd& fd)
{
    return resultOf(::fsync(fd.get()));
}

std::error_code PosixFileOps::flushDevice(const UniqueFd& fd)
{
    return resultOf(::syncfs(fd.get()));
}

} // namespace parlowen
