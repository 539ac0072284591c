// Telling FAT and exFAT apart from other file systems, also when they are mounted through FUSE.
#include "platform/file_system_kind.h"

#include "platform/file_system_magic.h"
#include "platform/unique_fd.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

namespace parlowen {
namespace {

std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Mount tables write a space, tab, newline and backslash in octal (\040).
std::string unescapeOctal(const std::string& field)
{
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool isFatTypeName(const std::string& type)
{
    return type == "exfat" || type == "vfat" || type == "msdos" || type == "fat";
}

// A FUSE mount of a block device does not name its file system; its first sector or the
// device manager's record of it does.
bool blockDeviceHoldsFat(const std::string& source, dev_t device)
{
    UniqueFd fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd) {
        std::string sector(512, '\0');
        if (::pread(fd.get(), sector.data(), sector.size(), 0) == 512)
            return isFatBootSector(sector);
    }
    const std::string record = readWhole("/run/udev/data/b" + std::to_string(major(device)) + ":" +
                                         std::to_string(minor(device)));
    for (const char* type : {"exfat", "vfat"}) {
        if (record.find(std::string("E:ID_FS_TYPE=") + type + "\n") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

MountEntry mountEntryOf(const std::string& mountInfo, unsigned wantedMajor, unsigned wantedMinor)
{
    std::istringstream lines(mountInfo);
    const std::string wanted = std::to_string(wantedMajor) + ":" + std::to_string(wantedMinor);
    for (std::string line; std::getline(lines, line);) {
        // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue"
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        fields >> id >> parent >> device >> root >> mountPoint;
        if (device != wanted)
            continue;
        const auto dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream tail(line.substr(dash + 3));
        MountEntry entry;
        tail >> entry.type >> entry.source;
        entry.source = unescapeOctal(entry.source);
        entry.mountPoint = unescapeOctal(mountPoint);
        return entry;
    }
    return {};
}

bool isFatBootSector(const std::string& sector)
{
    if (sector.size() < 512)
        return false;
    if (sector.compare(3, 8, "EXFAT   ") == 0)
        return true;
    const bool signature = static_cast<unsigned char>(sector[510]) == 0x55 &&
                           static_cast<unsigned char>(sector[511]) == 0xAA;
    return signature && (sector.compare(54, 3, "FAT") == 0 || sector.compare(82, 5, "FAT32") == 0);
}

std::error_code readDeviceTraits(int folderFd, DeviceTraits& traits)
{
    struct stat info = {};
    struct statfs system = {};
    struct statvfs room = {};
    if (::fstat(folderFd, &info) != 0 || ::fstatfs(folderFd, &system) != 0 ||
        ::fstatvfs(folderFd, &room) != 0)
        return {errno, std::generic_category()};
    traits.device = static_cast<std::uint64_t>(info.st_dev);
    traits.readOnly = (room.f_flag & ST_RDONLY) != 0;
    traits.allocationUnit = static_cast<std::int64_t>(room.f_frsize ? room.f_frsize : room.f_bsize);
    traits.flushPerFile = system.f_type == magic::kFuse;
    const auto entry =
        mountEntryOf(readWhole("/proc/self/mountinfo"), major(info.st_dev), minor(info.st_dev));
    traits.mountPoint = entry.mountPoint;
    if (system.f_type == magic::kMsdos || system.f_type == magic::kExfat)
        traits.fatNames = true;
    else if (system.f_type == magic::kFuse && entry.type.starts_with("fuse."))
        traits.fatNames = isFatTypeName(entry.type.substr(5));
    else if (system.f_type == magic::kFuse && entry.type == "fuseblk")
        traits.fatNames = blockDeviceHoldsFat(entry.source, info.st_dev);
    traits.caseInsensitive = traits.fatNames;
    return {};
}

} // namespace parlowen
