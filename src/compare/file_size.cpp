// The size probe.
#include "compare/file_size.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace parlowen::FileSize {
namespace {

SizeProbe failure(int error)
{
    return SizeProbe{0, error};
}

} // namespace

SizeProbe sizeFromStat(const struct stat& info, uid_t reader, int folderFd, const char* name)
{
    if (S_ISDIR(info.st_mode))
        return failure(EISDIR);
    if (!S_ISREG(info.st_mode))
        return failure(EINVAL);
    // An ACL never changes what the owner may do; root reads everything.
    const bool readable = reader == 0 ? true
                          : info.st_uid == reader
                              ? (info.st_mode & S_IRUSR) != 0
                              : ::faccessat(folderFd, name, R_OK, AT_EACCESS) == 0;
    if (!readable)
        return failure(EACCES);
    return SizeProbe{static_cast<std::int64_t>(info.st_size), 0};
}

SizeProbe FileSizeOf(const std::string& path)
{
    struct stat info = {};
    if (path.find('\0') != std::string::npos)
        return failure(ENOENT);
    // Looked at before opening, so that a FIFO or a device is never opened.
    if (::stat(path.c_str(), &info) != 0)
        return failure(errno);
    if (!S_ISREG(info.st_mode))
        return failure(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failure(errno);
    const int result = ::fstat(fd, &info);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        return failure(error);
    if (!S_ISREG(info.st_mode))
        return failure(EINVAL);
    return SizeProbe{static_cast<std::int64_t>(info.st_size), 0};
}

} // namespace parlowen::FileSize
