// A folder listed whole.
#include "platform/directory_listing.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace parlowen {

DirectoryListing::DirectoryListing(int parentFd, const char* name, std::vector<char>& buffer)
    : m_fd(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC)), m_bytes(buffer)
{
    if (!m_fd) {
        m_error = {errno, std::generic_category()};
        return;
    }
    if (buffer.size() < 64 * 1024)
        buffer.resize(64 * 1024);
    for (;;) {
        if (buffer.size() - m_used < 32 * 1024)
            buffer.resize(buffer.size() * 2);
        const long read =
            ::syscall(SYS_getdents64, m_fd.get(), buffer.data() + m_used, buffer.size() - m_used);
        if (read == 0)
            return;
        if (read < 0) {
            if (errno == EINTR)
                continue;
            m_error = {errno, std::generic_category()};
            return;
        }
        m_used += static_cast<std::size_t>(read);
    }
}

} // namespace parlowen
