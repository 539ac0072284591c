// How many files a process may hold open.
#include "platform/open_file_limit.h"

#include <sys/resource.h>

namespace parlowen {

void raiseOpenFileLimit()
{
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::size_t openFileBudget()
{
    // Room is kept for the program's own files, the sources being read and the windows.
    constexpr rlim_t kKept = 256;
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 4096;
    return limit.rlim_cur > kKept ? static_cast<std::size_t>((limit.rlim_cur - kKept) / 2) : 0;
}

} // namespace parlowen
