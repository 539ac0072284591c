// Reading which folder a path or an open folder is.
#include "platform/folder_identity.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace parlowen {
namespace {

// Linux 6.8 and later: a 64-bit mount id that is never given to another mount. Older kernels
// ignore the bit and give the reusable id of STATX_MNT_ID.
constexpr unsigned kMountIdUnique = 0x4000U;

} // namespace

Outcome<FolderIdentity> folderIdentity(int fd, const char* path)
{
    struct statx info = {};
    const int flags = *path ? 0 : AT_EMPTY_PATH;
    if (::statx(*path ? AT_FDCWD : fd, path, flags,
                STATX_TYPE | STATX_INO | STATX_MNT_ID | kMountIdUnique, &info) != 0)
        return {{}, {errno, std::generic_category()}};
    if (!S_ISDIR(info.stx_mode))
        return {{}, std::make_error_code(std::errc::not_a_directory)};
    const std::uint64_t mount = info.stx_mask & (STATX_MNT_ID | kMountIdUnique) ? info.stx_mnt_id : 0;
    return {{makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ino, mount}, {}};
}

} // namespace parlowen
