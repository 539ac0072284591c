// The folder scan.
#include "compare/folder_scan.h"

#include "compare/file_size.h"
#include "compare/read_ahead.h"
#include "compare/utf8.h"
#include "platform/directory_listing.h"
#include "platform/file_system_magic.h"
#include "platform/unique_fd.h"

#include <cctype>
#include <cerrno>
#include <chrono>
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

class TreeScan
{
public:
    static constexpr std::size_t kOpenDepth = 64;

    TreeScan(std::stop_token stop, GrowingRows* live) : m_stop(std::move(stop)), m_live(live) {}

    // parentFd and name locate the folder (a name looked up in its parent costs one step of
    // a path walk; the full path costs one a component).
    void walk(int parentFd, const char* name, const std::string& folder,
              const std::string& relative, dev_t parentDevice, bool parentFat)
    {
        if (m_outcome.abandoned)
            return;
        if (m_stop.stop_requested()) {
            m_outcome.abandoned = true;
            return;
        }
        DirectoryListing listing(parentFd, name, m_listingBuffer);
        struct stat self = {};
        if (!listing.opened() || ::fstat(listing.fd(), &self) != 0) {
            unreadable(folder, relative, listing.opened() ? errno : listing.error().value());
            return;
        }
        if (onOwnPath(self))
            return;
        if (listing.error()) {
            unreadable(folder, relative, listing.error().value());
            return;
        }
        bool fat = parentFat;
        if (self.st_dev != parentDevice) {
            struct statfs fs = {};
            fat = ::fstatfs(listing.fd(), &fs) == 0 && fs.f_type == magic::kMsdos;
        }
        std::vector<std::string> subfolders;
        listFolder(listing, folder, relative, fat, subfolders);
        if (m_live)
            m_live->append(m_outcome.rows); // shown while the scan goes on

        // Each folder on the way down stays open for its subfolders' look-ups; past some depth
        // they are looked up by their full paths, so a deep tree never runs out of descriptors.
        const bool keepOpen = m_path.size() < kOpenDepth;
        if (!keepOpen)
            listing.closeFolder();
        m_path.push_back({self.st_dev, self.st_ino});
        // The read-ahead splits the tree at the first folder with more than one subfolder
        // (a player's root often holds one "Music" folder), and only starts on a cold cache.
        const bool split = !m_splitFound && subfolders.size() > 1;
        m_splitFound = m_splitFound || subfolders.size() != 1;
        for (std::size_t i = 0; i < subfolders.size(); ++i) {
            const std::string& sub = subfolders[i];
            if (split && !m_readAhead && coldCache())
                m_readAhead.emplace(folder, subfolders, m_stop);
            if (split && m_readAhead)
                m_readAhead->reached(i);
            const std::string subFolder = folder + sub + "/";
            walk(keepOpen ? listing.fd() : AT_FDCWD, keepOpen ? sub.c_str() : subFolder.c_str(),
                 subFolder, relative + sub + "/", self.st_dev, fat);
        }
        m_path.pop_back();
    }

    ScanOutcome take() { return std::move(m_outcome); }

private:
    // Entries come from the disk rather than the cache: fewer than 150,000 a second (a warm
    // cache gives some 400,000 a thread, a cold one some 50,000), judged after 10 ms.
    bool coldCache() const
    {
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - m_began;
        return spent.count() > 0.01 && static_cast<double>(m_entries) < 150'000 * spent.count();
    }

    bool onOwnPath(const struct stat& folder) const
    {
        for (const auto& [device, inode] : m_path) {
            if (device == folder.st_dev && inode == folder.st_ino)
                return true;
        }
        return false;
    }

    void listFolder(const DirectoryListing& listing, const std::string& folder,
                    const std::string& relative, bool fat, std::vector<std::string>& subfolders)
    {
        const int fd = listing.fd();
        listing.forEach([&](std::string_view name, unsigned char type) {
            ++m_entries;
            if (name.front() == '.')
                return;                      // hidden
            const char* cname = name.data(); // NUL-terminated inside the listing
            if (fat && fatHidden(fd, cname))
                return;
            if (!isValidUtf8(name)) {
                skip(folder + std::string(name));
                return;
            }
            if (type == DT_DIR) {
                subfolders.emplace_back(name);
                return;
            }
            if (type != DT_REG && type != DT_LNK && type != DT_UNKNOWN)
                return; // FIFOs, sockets and devices are never listed
            struct stat info = {};
            if (::fstatat(fd, cname, &info, 0) != 0) {
                // Gone since the listing, or a link to nothing, is no file to compare.
                if (errno != ENOENT) {
                    m_outcome.skipped.push_back(displayUtf8(folder + std::string(name)) +
                                                " could not be read (" + reasonOf(errno) +
                                                "); it is left out of this comparison");
                    m_outcome.unreadable.push_back(relative + std::string(name));
                }
                return;
            }
            if (S_ISDIR(info.st_mode))
                subfolders.emplace_back(name);
            else if (S_ISREG(info.st_mode))
                addRow(relative, name, info, FileSize::sizeFromStat(info, m_reader, fd, cname));
        });
    }

    // A folder that could not be opened or listed to its end is left out whole, and said so.
    void unreadable(const std::string& folder, const std::string& relative, int number)
    {
        m_outcome.unreadable.push_back(relative);
        const std::string shown = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
        m_outcome.skipped.push_back(displayUtf8(shown) + " could not be read (" + reasonOf(number) +
                                    "); its files are left out of this comparison");
    }

    void addRow(const std::string& relative, std::string_view name, const struct stat& info,
                const FileSize::SizeProbe& size)
    {
        ResultRow& row = m_outcome.rows.emplace_back();
        row.relativeName.reserve(relative.size() + name.size());
        row.relativeName.append(relative).append(name);
        row.hasSize = size.ok();
        row.size = size.size;
        row.hasModified = true;
        row.modified = static_cast<std::int64_t>(info.st_mtime);
    }

    void skip(const std::string& path) { m_outcome.skipped.push_back(skipSentence(path)); }

    std::stop_token m_stop;
    GrowingRows* m_live;
    const uid_t m_reader = ::geteuid();
    std::vector<std::pair<dev_t, ino_t>> m_path;
    std::vector<char> m_listingBuffer;
    ScanOutcome m_outcome;
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
    TreeScan scan(std::move(stop), live);
    const std::string root = rootFolderText(rootOf(boxText));
    scan.walk(AT_FDCWD, root.c_str(), root, "", static_cast<dev_t>(-1), false);
    return scan.take();
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
