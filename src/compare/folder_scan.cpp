// The folder scan.
#include "compare/folder_scan.h"

#include "compare/file_size.h"
#include "compare/read_ahead.h"
#include "compare/tree_walk.h"
#include "compare/utf8.h"
#include "platform/directory_listing.h"
#include "platform/file_system_magic.h"
#include "platform/unique_fd.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <optional>
#include <string_view>
#include <system_error>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace parlowen::Main {
namespace {


// FAT keeps hidden and system flags apart from the name ("System Volume Information").
bool fatHidden(int folderFd, const char* name)
{
    const UniqueFd fd(::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    __u32 attributes = 0;
    return fd && ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 &&
           (attributes & (ATTR_HIDDEN | ATTR_SYS)) != 0;
}

// The system's reason as words inside a sentence: "permission denied".
std::string reasonOf(int number)
{
    std::string text = std::generic_category().message(number);
    const bool acronym = text.size() > 1 && std::isupper(static_cast<unsigned char>(text[1]));
    if (!text.empty() && !acronym)
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// A drive's folders, listed through folders held open on the way down.
class DriveLister final : public FolderLister
{
public:
    static constexpr std::size_t kOpenDepth = 64;

    explicit DriveLister(std::stop_token stop) : m_stop(std::move(stop)) {}

    std::string enter(const std::string& name, const std::string& folder,
                      FolderEntries& entries) override
    {
        // A folder is looked up by its name in its parent while the parent is held open (one
        // step of a path walk); past some depth by its full path, so a deep tree never runs
        // out of descriptors.
        const Level* parent = m_levels.empty() ? nullptr : &m_levels.back();
        const bool byName = parent && parent->listing.fd() >= 0;
        if (parent)
            aboutToEnter(name);
        Level& level = m_levels.emplace_back(byName ? parent->listing.fd() : AT_FDCWD,
                                             byName ? name.c_str() : folder.c_str(),
                                             m_listingBuffer);
        struct stat self = {};
        if (!level.listing.opened() || ::fstat(level.listing.fd(), &self) != 0)
            return reasonOf(level.listing.opened() ? errno : level.listing.error().value());
        level.device = self.st_dev;
        level.inode = self.st_ino;
        if (onOwnPath(self))
            return {}; // a link back up: walked once already
        if (level.listing.error())
            return reasonOf(level.listing.error().value());
        level.fat = parent ? parent->fat : false;
        if (!parent || self.st_dev != parent->device) {
            struct statfs fs = {};
            level.fat = ::fstatfs(level.listing.fd(), &fs) == 0 && fs.f_type == magic::kMsdos;
        }
        list(level, entries);
        if (m_levels.size() >= kOpenDepth)
            level.listing.closeFolder();
        // The read-ahead splits the tree at the first folder with more than one subfolder (a
        // player's root often holds one "Music" folder), and only starts on a cold cache.
        level.split = !m_splitFound && level.subfolders.size() > 1;
        m_splitFound = m_splitFound || level.subfolders.size() != 1;
        level.root = folder;
        return {};
    }

    void leave() override { m_levels.pop_back(); }

private:
    struct Level
    {
        Level(int parentFd, const char* name, std::vector<char>& buffer)
            : listing(parentFd, name, buffer)
        {
        }
        DirectoryListing listing;
        dev_t device = static_cast<dev_t>(-1);
        ino_t inode = 0;
        bool fat = false;
        bool split = false;
        std::string root;                    // its path, where it splits the tree
        std::vector<std::string> subfolders; // as listed, in the walk's order
        std::size_t entered = 0;             // of them
    };

    void aboutToEnter(const std::string& name)
    {
        Level& parent = m_levels.back();
        const std::size_t index = parent.entered++;
        if (!parent.split || index >= parent.subfolders.size() || parent.subfolders[index] != name)
            return;
        if (!m_readAhead && coldCache())
            m_readAhead.emplace(parent.root, parent.subfolders, m_stop);
        if (m_readAhead)
            m_readAhead->reached(index);
    }

    // Entries come from the disk rather than the cache: fewer than 150,000 a second (a warm
    // cache gives some 400,000 a thread, a cold one some 50,000), judged after 10 ms.
    bool coldCache() const
    {
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - m_began;
        return spent.count() > 0.01 && static_cast<double>(m_entries) < 150'000 * spent.count();
    }

    bool onOwnPath(const struct stat& folder) const
    {
        for (std::size_t i = 0; i + 1 < m_levels.size(); ++i) {
            if (m_levels[i].device == folder.st_dev && m_levels[i].inode == folder.st_ino)
                return true;
        }
        return false;
    }

    void list(Level& level, FolderEntries& entries)
    {
        const int fd = level.listing.fd();
        level.listing.forEach([&](std::string_view name, unsigned char type) {
            ++m_entries;
            if (!entries.take(name))
                return;
            const char* cname = name.data(); // NUL-terminated inside the listing
            if (level.fat && fatHidden(fd, cname))
                return;
            if (type == DT_DIR) {
                level.subfolders.emplace_back(name);
                entries.folder(name);
                return;
            }
            if (type != DT_REG && type != DT_LNK && type != DT_UNKNOWN)
                return; // FIFOs, sockets and devices are never listed
            struct stat info = {};
            if (::fstatat(fd, cname, &info, 0) != 0) {
                // Gone since the listing, or a link to nothing, is no file to compare.
                if (errno != ENOENT)
                    entries.unreadable(name, reasonOf(errno));
                return;
            }
            if (S_ISDIR(info.st_mode)) {
                level.subfolders.emplace_back(name);
                entries.folder(name);
            } else if (S_ISREG(info.st_mode)) {
                const auto size = FileSize::sizeFromStat(info, m_reader, fd, cname);
                entries.file(name, size.ok() ? std::optional(size.size) : std::nullopt,
                             static_cast<std::int64_t>(info.st_mtime), 0,
                             static_cast<std::uint32_t>(info.st_mtim.tv_nsec));
            }
        });
    }

    std::stop_token m_stop;
    const uid_t m_reader = ::geteuid();
    std::deque<Level> m_levels; // the walk's path, the root first
    std::vector<char> m_listingBuffer;
    bool m_splitFound = false;
    std::optional<ReadAhead> m_readAhead; // started when the cache turns out to be cold
    std::size_t m_entries = 0;            // files and folders looked at so far
    const std::chrono::steady_clock::time_point m_began = std::chrono::steady_clock::now();
};

} // namespace

std::string rootOf(const std::string& boxText)
{
    if (boxText.size() > 1 && boxText.back() == '/')
        return boxText.substr(0, boxText.size() - 1);
    return boxText;
}

std::string rootFolderText(const std::string& root)
{
    return root == "/" ? root : root + "/";
}

std::string fullPath(const std::string& root, const std::string& relativeName)
{
    return rootFolderText(root) + relativeName;
}

std::string skipSentence(const std::string& path)
{
    return displayUtf8(path) +
           " has been skipped because it is unrecognizeable. This is probably because it "
           "contains strange characters. Please rename the file or folder if you would like it "
           "included next time you find dupes.";
}

ScanOutcome ScanFolderTree(const std::string& boxText, std::stop_token stop, GrowingRows* live)
{
    if (boxText.empty())
        return {};
    DriveLister lister(stop);
    return walkTree(lister, rootFolderText(rootOf(boxText)), std::move(stop), live);
}

std::string rootProblem(const std::string& text)
{
    if (text.empty())
        return "no folder is given";
    if (text.find('\0') != std::string::npos)
        return "it is not a usable name";
    struct stat info = {};
    if (::stat(text.c_str(), &info) != 0)
        return errno == ENOENT ? "it does not exist" : "it cannot be reached (" + reasonOf(errno) + ")";
    if (!S_ISDIR(info.st_mode))
        return "it is not a folder";
    // A folder that cannot be listed would read as empty, and every file of the other side
    // would be planned into it.
    DIR* listing = ::opendir(text.c_str());
    if (!listing)
        return "it cannot be read (" + reasonOf(errno) + ")";
    errno = 0;
    const bool read = ::readdir(listing) != nullptr || errno == 0;
    const int readError = errno;
    ::closedir(listing);
    if (!read)
        return "it cannot be read (" + reasonOf(readError) + ")";
    return {};
}

} // namespace parlowen::Main
