// The scan of a folder on a player that speaks MTP.
#include "compare/device_scan.h"

#include "compare/tree_walk.h"
#include "platform/mtp_address.h"

#include <map>

namespace parlowen::Main {
namespace {

// A player's folders, listed by their handles.
class PlayerLister final : public FolderLister
{
public:
    explicit PlayerLister(const DeviceFolder& where) : m_where(where) {}

    bool namesMayRepeat() const override { return true; }

    std::string enter(const std::string& name, const std::string& folder,
                      FolderEntries& entries) override
    {
        std::uint32_t handle = m_where.folder;
        if (!m_levels.empty()) {
            const auto& subfolders = m_levels.back();
            const auto at = subfolders.find(name);
            handle = at == subfolders.end() ? 0 : at->second;
        }
        auto& subfolders = m_levels.emplace_back();
        const auto listed = m_where.device->children(m_where.storage, handle);
        if (listed.error)
            return mtpProblem(m_where.device->host(), listed.error);
        for (const MtpObject& object : listed.value) {
            if (!entries.take(object.name))
                continue;
            if (object.folder) {
                subfolders.emplace(object.name, object.handle);
                entries.folder(object.name);
            } else if (unfinished(object, folder)) {
                entries.skipped(folder + object.name +
                                " is an unfinished copy that an interrupted Sync left; it is "
                                "left out of this comparison");
            } else {
                entries.file(object.name, object.size, object.modified, object.handle);
            }
        }
        return {};
    }

    void leave() override { m_levels.pop_back(); }

private:
    bool unfinished(const MtpObject& object, const std::string& folder) const
    {
        for (const auto& entry : m_where.unfinished) {
            if (entry.folder == folder && entry.name == object.name && object.size < entry.size)
                return true;
        }
        return false;
    }

    const DeviceFolder& m_where;
    std::vector<std::map<std::string, std::uint32_t>> m_levels; // each folder's subfolders
};

} // namespace

DeviceFolder findDeviceFolder(MtpDevices& devices, const std::string& address)
{
    DeviceFolder where;
    const auto place = parseMtpAddress(address);
    if (!place) {
        where.problem = "it is not a player's address (mtp://PLAYER/STORAGE/FOLDER)";
        return where;
    }
    auto opened = devices.open(place->host);
    if (opened.error) {
        where.problem = mtpProblem(place->host, opened.error);
        return where;
    }
    where.device = std::move(opened.value);
    const auto names = folderNames(place->folder);
    const auto walk = walkTo(*where.device, place->storage, names);
    where.storage = walk.storage.id;
    where.folder = walk.folder;
    if (walk.error)
        where.problem = mtpProblem(place->host, walk.error);
    else if (!walk.storageFound)
        where.problem = "the player " + place->host + " has no storage named \"" +
                        place->storage + "\"";
    else if (walk.reached < names.size())
        where.problem = walk.fileInTheWay ? "it is not a folder" : "it does not exist";
    return where;
}

ScanOutcome ScanDeviceTree(const DeviceFolder& where, const std::string& address,
                           std::stop_token stop, GrowingRows* live)
{
    PlayerLister lister(where);
    return walkTree(lister, rootFolderText(rootOf(address)), std::move(stop), live);
}

} // namespace parlowen::Main
