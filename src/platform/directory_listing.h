// A folder opened and listed whole with getdents64: it owns its descriptor, and its entries lie
// in one buffer the caller keeps from folder to folder, so a listing costs no allocation a name.
#pragma once

#include "platform/unique_fd.h"

#include <dirent.h>
#include <string_view>
#include <system_error>
#include <vector>

namespace parlowen {

class DirectoryListing
{
public:
    // Opens the folder name relative to parentFd (AT_FDCWD for a path) and reads every entry
    // into buffer. The entries stay valid until buffer is used for another listing.
    DirectoryListing(int parentFd, const char* name, std::vector<char>& buffer);

    // Why the folder could not be opened or read to its end; its entries are then incomplete.
    std::error_code error() const { return m_error; }
    bool opened() const { return static_cast<bool>(m_fd); }
    int fd() const { return m_fd.get(); }
    // Gives the descriptor up early (the entries stay).
    void closeFolder() { m_fd.close(); }

    // Calls visit(name, type) for every entry but "." and ".."; name is NUL-terminated.
    template <class Visit> void forEach(Visit visit) const
    {
        for (std::size_t offset = 0; offset < m_used;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(m_bytes.data() + offset);
            offset += entry->d_reclen;
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..")
                visit(name, entry->d_type);
        }
    }

private:
    UniqueFd m_fd;
    std::error_code m_error;
    const std::vector<char>& m_bytes;
    std::size_t m_used = 0;
};

} // namespace parlowen
