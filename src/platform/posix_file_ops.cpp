// The file operations on the real file system.
#include "platform/posix_file_ops.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace parlowen {
namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// Plain reads and writes, for file systems that cannot copy a range themselves.
std::error_code readWriteChunk(int in, int out, std::size_t max, std::size_t& copied)
{
    static thread_local std::vector<char> buffer(1 << 20);
    const std::size_t wanted = std::min(max, buffer.size());
    ssize_t got = 0;
    do {
        got = ::read(in, buffer.data(), wanted);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return lastError();
    std::size_t written = 0;
    while (written < static_cast<std::size_t>(got)) {
        const ssize_t put =
            ::write(out, buffer.data() + written, static_cast<std::size_t>(got) - written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return lastError();
        written += static_cast<std::size_t>(put);
    }
    copied = static_cast<std::size_t>(got);
    return {};
}

} // namespace

std::error_code PosixFileOps::openSource(const std::string& path, int& fd, struct stat& info)
{
    // Looked at first, so that a FIFO or a device that took a file's place is never opened.
    if (::stat(path.c_str(), &info) != 0)
        return lastError();
    if (!S_ISREG(info.st_mode))
        return {S_ISDIR(info.st_mode) ? EISDIR : EINVAL, std::generic_category()};
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return lastError();
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const auto error =
            S_ISREG(info.st_mode) ? lastError() : std::error_code(EINVAL, std::generic_category());
        ::close(fd);
        return error;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return {};
}

std::error_code PosixFileOps::createTemporary(const std::string& path, int& fd)
{
    // A leftover is unlinked rather than truncated: it could be a link to some other file.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return lastError();
    fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    return fd < 0 ? lastError() : std::error_code();
}

std::error_code PosixFileOps::copyChunk(int in, int out, std::size_t max, std::size_t& copied)
{
    const ssize_t done = ::copy_file_range(in, nullptr, out, nullptr, max, 0);
    if (done >= 0) {
        copied = static_cast<std::size_t>(done);
        return {};
    }
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)
        return readWriteChunk(in, out, max, copied);
    return lastError();
}

void PosixFileOps::beginFlush(int fd)
{
    // Only a head start: finish() waits for the data whatever happens here.
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

std::error_code PosixFileOps::finish(int fd, const struct timespec& modified)
{
    const struct timespec times[2] = {{0, UTIME_OMIT}, modified};
    if (::futimens(fd, times) != 0 || ::fsync(fd) != 0)
        return lastError();
    return {};
}

std::error_code PosixFileOps::close(int fd)
{
    return ::close(fd) != 0 ? lastError() : std::error_code();
}

std::error_code PosixFileOps::rename(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) != 0 ? lastError() : std::error_code();
}

std::error_code PosixFileOps::remove(const std::string& path)
{
    return ::unlink(path.c_str()) != 0 ? lastError() : std::error_code();
}

std::error_code PosixFileOps::syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    const bool ok = ::fsync(fd) == 0;
    const auto error = lastError();
    ::close(fd);
    return ok ? std::error_code() : error;
}

} // namespace parlowen
