// The folder scan.
#include "compare/folder_scan.h"

#include "compare/file_size.h"
#include "compare/utf8.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace parlowen::Main {
namespace {

constexpr long kFatMagic = 0x4d44; // MSDOS_SUPER_MAGIC

struct Entry
{
    std::string name;
    unsigned char type;
};

// FAT keeps hidden and system flags apart from the name ("System Volume Information").
bool fatHidden(int folderFd, const std::string& name)
{
    const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    __u32 attributes = 0;
    const bool read = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
    ::close(fd);
    return read && (attributes & (ATTR_HIDDEN | ATTR_SYS)) != 0;
}

// Reads a folder's listing to its end before anything else is done with it.
std::vector<Entry> readListing(int fd)
{
    std::vector<Entry> entries;
    DIR* dir = ::fdopendir(::dup(fd));
    if (!dir)
        return entries;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') // ".", ".." and hidden names
            continue;
        entries.push_back({entry->d_name, entry->d_type});
    }
    ::closedir(dir);
    return entries;
}

class TreeScan
{
public:
    TreeScan(Messages& messages, const YieldFn& yield) : m_messages(messages), m_yield(yield) {}

    void walk(const std::string& folder, const std::string& relative, dev_t parentDevice,
              bool parentFat)
    {
        if (m_outcome.abandoned)
            return;
        if (m_yield && !m_yield()) {
            m_outcome.abandoned = true;
            return;
        }
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat self {};
        if (::fstat(fd, &self) != 0 || onOwnPath(self)) {
            ::close(fd);
            return;
        }
        bool fat = parentFat;
        if (self.st_dev != parentDevice) {
            struct statfs fs {};
            fat = ::fstatfs(fd, &fs) == 0 && fs.f_type == kFatMagic;
        }
        std::vector<std::string> subfolders;
        listFolder(fd, folder, relative, fat, subfolders);
        ::close(fd);

        m_path.push_back({self.st_dev, self.st_ino});
        for (const auto& name : subfolders)
            walk(folder + name + "/", relative + name + "/", self.st_dev, fat);
        m_path.pop_back();
    }

    ScanOutcome take() { return std::move(m_outcome); }

private:
    bool onOwnPath(const struct stat& folder) const
    {
        for (const auto& [device, inode] : m_path) {
            if (device == folder.st_dev && inode == folder.st_ino)
                return true;
        }
        return false;
    }

    void listFolder(int fd, const std::string& folder, const std::string& relative, bool fat,
                    std::vector<std::string>& subfolders)
    {
        for (auto& entry : readListing(fd)) {
            if (fat && fatHidden(fd, entry.name))
                continue;
            if (!isValidUtf8(entry.name)) {
                skip(folder + entry.name);
                continue;
            }
            struct stat info {};
            const bool isLinkOrUnknown = entry.type == DT_LNK || entry.type == DT_UNKNOWN;
            if (entry.type == DT_DIR) {
                subfolders.push_back(std::move(entry.name));
                continue;
            }
            if (entry.type != DT_REG && !isLinkOrUnknown)
                continue; // FIFOs, sockets and devices are never listed
            if (::fstatat(fd, entry.name.c_str(), &info, 0) != 0)
                continue;
            if (S_ISDIR(info.st_mode)) {
                subfolders.push_back(std::move(entry.name));
            } else if (S_ISREG(info.st_mode)) {
                addRow(relative + entry.name, info);
            }
        }
    }

    void addRow(std::string relativeName, const struct stat& info)
    {
        const auto size = FileSize::sizeFromStat(info);
        ResultRow row;
        row.relativeName = std::move(relativeName);
        row.hasSize = size.ok();
        row.size = size.size;
        row.hasModified = true;
        row.modified = static_cast<std::int64_t>(info.st_mtime);
        m_outcome.rows.push_back(std::move(row));
    }

    void skip(const std::string& path)
    {
        m_messages.show("Skip", displayUtf8(path) +
                                    " has been skipped because it is unrecognizeable. This is "
                                    "probably because it contains strange characters. Please "
                                    "rename the file or folder if you would like it included "
                                    "next time you find dupes.");
    }

    Messages& m_messages;
    const YieldFn& m_yield;
    std::vector<std::pair<dev_t, ino_t>> m_path;
    ScanOutcome m_outcome;
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

ScanOutcome ScanFolderTree(const std::string& boxText, Messages& messages, const YieldFn& yield)
{
    if (boxText.empty())
        return {};
    TreeScan scan(messages, yield);
    scan.walk(rootFolderText(rootOf(boxText)), "", static_cast<dev_t>(-1), false);
    return scan.take();
}

} // namespace parlowen::Main
