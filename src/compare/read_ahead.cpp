// Reading a tree ahead of its scan.
#include "compare/read_ahead.h"

#include "platform/directory_listing.h"
#include "platform/unique_fd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parlowen::Main {
namespace {

constexpr int kMaxDepth = 64;

} // namespace

ReadAhead::ReadAhead(std::string root, std::vector<std::string> subfolders, std::stop_token stop)
    : m_root(std::move(root)), m_subfolders(std::move(subfolders)), m_stop(std::move(stop))
{
    m_thread = std::jthread([this](std::stop_token ownStop) {
        // Only a speed-up: the scan reads every folder itself, so a failure here (memory) is
        // not the program's end.
        try {
            run(std::move(ownStop));
        } catch (...) {
        }
    });
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
    const UniqueFd root(::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root)
        return;
    for (std::size_t index = m_subfolders.size(); index-- > 0 && wanted(index, ownStop);)
        readFolder(root.get(), m_subfolders[index].c_str(), 0, index, ownStop);
}

void ReadAhead::readFolder(int parentFd, const char* name, int depth, std::size_t index,
                           const std::stop_token& ownStop)
{
    if (depth > kMaxDepth || !wanted(index, ownStop))
        return;
    const DirectoryListing listing(parentFd, name, m_buffer);
    std::vector<std::string> folders;
    listing.forEach([&](std::string_view entry, unsigned char type) {
        if (entry.front() == '.')
            return;
        if (type == DT_DIR) {
            folders.emplace_back(entry);
            return;
        }
        struct stat info = {};
        ::fstatat(listing.fd(), entry.data(), &info, 0);
    });
    for (const auto& folder : folders)
        readFolder(listing.fd(), folder.c_str(), depth + 1, index, ownStop);
}

} // namespace parlowen::Main
