// Players known by their file system or their serial.
#include "platform/player_identity.h"

#include "platform/mtp_address.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace parlowen {
namespace {

struct Mount
{
    std::string point;
    std::string type;
    std::string source;
};

// The mount the device number belongs to, from the kernel's table of this process's mounts.
Mount mountOf(dev_t device)
{
    std::ifstream table("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    Mount found;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        fields >> id >> parent >> numbers >> root >> point;
        if (numbers != wanted)
            continue;
        std::string field;
        while (fields >> field && field != "-") {
        }
        Mount mount{point, "", ""};
        fields >> mount.type >> mount.source;
        if (found.point.size() <= mount.point.size())
            found = mount; // the innermost of several
    }
    // Octal escapes of the table (spaces as \040).
    std::string unescaped;
    for (std::size_t i = 0; i < found.point.size(); ++i) {
        if (found.point[i] == '\\' && i + 3 < found.point.size()) {
            unescaped += static_cast<char>(std::stoi(found.point.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            unescaped += found.point[i];
        }
    }
    found.point = unescaped;
    return found;
}

std::string uuidOf(const std::string& source)
{
    std::error_code error;
    const auto device = std::filesystem::canonical(source, error);
    if (error)
        return {};
    for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-uuid", error)) {
        std::error_code linked;
        if (std::filesystem::canonical(entry.path(), linked) == device && !linked)
            return entry.path().filename().string();
    }
    return {};
}

std::string readLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

std::vector<std::string> mediaPlayerFormats(const std::vector<std::string>& devices,
                                            const std::string& udevData,
                                            const std::string& profiles)
{
    for (const auto& device : devices) {
        std::ifstream data(udevData + "/b" + device);
        std::string model;
        for (std::string line; std::getline(data, line);) {
            if (line.starts_with("E:ID_MEDIA_PLAYER="))
                model = line.substr(18);
        }
        if (model.empty() || model.find('/') != std::string::npos)
            continue;
        std::ifstream profile(profiles + "/" + model + ".mpi");
        std::vector<std::string> formats;
        bool media = false;
        for (std::string line; std::getline(profile, line);) {
            if (line.starts_with("["))
                media = line == "[Media]";
            else if (media && line.starts_with("OutputFormats=")) {
                std::istringstream list(line.substr(14));
                for (std::string type; std::getline(list, type, ';');)
                    if (!type.empty())
                        formats.push_back(type);
            }
        }
        return formats;
    }
    return {};
}

std::vector<std::string> driveOutputFormats(const std::string& root)
{
    struct stat info{};
    if (::stat(root.c_str(), &info) != 0)
        return {};
    const Mount mount = mountOf(info.st_dev);
    struct stat source{};
    if (!mount.source.starts_with("/dev/") || ::stat(mount.source.c_str(), &source) != 0 ||
        !S_ISBLK(source.st_mode))
        return {};
    const std::string device =
        std::to_string(major(source.st_rdev)) + ":" + std::to_string(minor(source.st_rdev));
    // udev marks the player's disk; its partition may carry the mark too.
    std::vector<std::string> devices{device};
    if (const std::string disk = readLine("/sys/dev/block/" + device + "/../dev"); !disk.empty())
        devices.push_back(disk);
    return mediaPlayerFormats(devices, "/run/udev/data", "/usr/share/media-player-info");
}

PlayerIdentity playerIdentity(const std::string& root)
{
    if (isMtpAddress(root)) {
        const auto place = parseMtpAddress(root);
        if (!place)
            return {};
        std::string prefix = place->folder;
        if (!prefix.empty() && !prefix.ends_with('/'))
            prefix += '/';
        return {"mtp:" + place->host + ":" + place->storage, prefix};
    }
    std::error_code error;
    const auto folder = std::filesystem::canonical(root, error);
    struct stat info{};
    if (error || ::stat(folder.c_str(), &info) != 0)
        return {};
    const Mount mount = mountOf(info.st_dev);
    const std::string within =
        mount.point.empty() ? folder.string()
                            : "/" + std::filesystem::relative(folder, mount.point).string();
    const std::string inside = within == "/." ? "/" : within;
    if (const std::string uuid = mount.source.starts_with("/dev/") ? uuidOf(mount.source) : "";
        !uuid.empty())
        return {"uuid:" + uuid + ":" + inside, ""};
    // A file system without a UUID (tmpfs, a network share): known by where it is mounted.
    return {"mount:" + mount.type + ":" + mount.source + ":" + folder.string(), ""};
}

} // namespace parlowen
