// A player that speaks MTP, in a player owner's words.
#include "platform/mtp_device.h"

namespace parlowen {

std::string mtpProblem(const std::string& host, const std::error_code& error)
{
    const std::string player = "the player " + host;
    if (error == std::errc::no_such_device)
        return player + " is not connected";
    if (error == std::errc::device_or_resource_busy)
        return player + " could not be opened: another program holds it. If your file manager "
                        "shows it, eject it there and try again";
    if (error == std::errc::no_such_file_or_directory)
        return "it is no longer on " + player;
    return player + " did not answer as expected (" + error.message() + ")";
}

MtpWalk walkTo(MtpDevice& device, const std::string& storage,
               const std::vector<std::string>& folders)
{
    MtpWalk walk;
    const auto storages = device.storages();
    if ((walk.error = storages.error))
        return walk;
    for (const auto& s : storages.value) {
        if (s.description == storage) {
            walk.storage = s;
            walk.storageFound = true;
            break;
        }
    }
    for (; walk.storageFound && walk.reached < folders.size(); ++walk.reached) {
        const auto listed = device.children(walk.storage.id, walk.folder);
        if ((walk.error = listed.error))
            return walk;
        const MtpObject* next = nullptr;
        for (const auto& object : listed.value) {
            if (object.name == folders[walk.reached]) {
                next = &object;
                if (object.folder)
                    break;
            }
        }
        if (!next || !next->folder) {
            walk.fileInTheWay = next != nullptr;
            break;
        }
        walk.folder = next->handle;
    }
    return walk;
}

std::vector<std::string> folderNames(const std::string& path)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < path.size()) {
        const auto slash = path.find('/', start);
        const auto end = slash == std::string::npos ? path.size() : slash;
        if (end > start)
            names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::error_code removeChecked(MtpDevice& device, const ExpectedObject& expected)
{
    if (expected.handle == 0 || expected.handle == kMtpStorageTop)
        return std::make_error_code(std::errc::operation_not_permitted);
    const auto now = device.object(expected.handle);
    if (now.error)
        return now.error;
    const bool sizeFits = expected.below ? now.value.size < expected.size
                                               : now.value.size == expected.size;
    if (now.value.folder || !sameParent(now.value.parent, expected.parent) ||
        now.value.name != expected.name || !sizeFits)
        return std::make_error_code(std::errc::operation_not_permitted);
    return device.remove(expected.handle);
}

} // namespace parlowen
