// Reading a tree ahead of its scan.
#include "compare/read_ahead.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace parlowen::Main {
namespace {

constexpr int kMaxDepth = 64;

} // namespace

ReadAhead::ReadAhead(std::string root, std::vector<std::string> subfolders, std::stop_token stop)
    : m_root(std::move(root)), m_subfolders(std::move(subfolders)), m_stop(std::move(stop))
{
    m_buffer.resize(64 * 1024);
    m_thread = std::jthread([this](std::stop_token ownStop) { run(std::move(ownStop)); });
}

ReadAhead::~ReadAhead()
{
    m_thread.request_stop();
}

bool ReadAhead::wanted(std::size_t index, const std::stop_token& ownStop) const
{
    return !ownStop.stop_requested() && !m_stop.stop_requested() &&
           index > m_reached.load(std::memory_order_relaxed);
}

void ReadAhead::run(std::stop_token ownStop)
{
    const int root = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        return;
    for (std::size_t index = m_subfolders.size(); index-- > 0 && wanted(index, ownStop);)
        readFolder(root, m_subfolders[index].c_str(), 0, index, ownStop);
    ::close(root);
}

void ReadAhead::readFolder(int parentFd, const char* name, int depth, std::size_t index,
                           const std::stop_token& ownStop)
{
    if (depth > kMaxDepth || !wanted(index, ownStop))
        return;
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    std::vector<std::string> folders;
    for (;;) {
        const long read = ::syscall(SYS_getdents64, fd, m_buffer.data(), m_buffer.size());
        // A large folder is given up between its blocks once the scan has caught up.
        if (read <= 0 || !wanted(index, ownStop))
            break;
        for (long offset = 0; offset < read;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(m_buffer.data() + offset);
            offset += entry->d_reclen;
            if (entry->d_name[0] == '.')
                continue;
            if (entry->d_type == DT_DIR) {
                folders.emplace_back(entry->d_name);
                continue;
            }
            struct stat info = {};
            ::fstatat(fd, entry->d_name, &info, 0);
        }
    }
    for (const auto& folder : folders)
        readFolder(fd, folder.c_str(), depth + 1, index, ownStop);
    ::close(fd);
}

} // namespace parlowen::Main
