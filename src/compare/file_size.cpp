// The size probe.
#include "compare/file_size.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace parlowen::FileSize {
namespace {

bool inOwnGroups(gid_t group)
{
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> list(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
        const int count = ::getgroups(static_cast<int>(list.size()), list.data());
        list.resize(static_cast<std::size_t>(std::max(0, count)));
        return list;
    }();
    static const gid_t own = ::getegid();
    if (group == own)
        return true;
    for (gid_t g : groups) {
        if (g == group)
            return true;
    }
    return false;
}

bool readableByUs(const struct stat& info)
{
    static const uid_t me = ::geteuid();
    if (me == 0)
        return true;
    if (info.st_uid == me)
        return (info.st_mode & S_IRUSR) != 0;
    if (inOwnGroups(info.st_gid))
        return (info.st_mode & S_IRGRP) != 0;
    return (info.st_mode & S_IROTH) != 0;
}

SizeProbe failure(int error)
{
    return SizeProbe{0, error};
}

} // namespace

SizeProbe sizeFromStat(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return failure(EISDIR);
    if (!S_ISREG(info.st_mode))
        return failure(EINVAL);
    if (!readableByUs(info))
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
        return sizeFromStat(info);
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
