// The scan of a folder on a player that speaks MTP.
#include "compare/device_scan.h"

#include "compare/utf8.h"
#include "platform/mtp_address.h"

#include <unordered_set>

namespace parlowen::Main {
namespace {

class DeviceTreeScan
{
public:
    DeviceTreeScan(const DeviceFolder& where, std::stop_token stop, GrowingRows* live)
        : m_where(where), m_stop(std::move(stop)), m_live(live)
    {
    }

    void walk(std::uint32_t folder, const std::string& shown, const std::string& relative)
    {
        if (m_outcome.abandoned)
            return;
        if (m_stop.stop_requested()) {
            m_outcome.abandoned = true;
            return;
        }
        const auto listed = m_where.device->children(m_where.storage, folder);
        if (listed.error) {
            m_outcome.unreadable.push_back(relative);
            m_outcome.skipped.push_back(displayUtf8(rootOf(shown)) + " could not be read (" +
                                        mtpProblem(m_where.device->host(), listed.error) +
                                        "); its files are left out of this comparison");
            return;
        }
        std::vector<const MtpObject*> subfolders;
        std::unordered_set<std::string_view> names;
        for (const MtpObject& object : listed.value) {
            const std::string& name = object.name;
            if (name.empty() || name.front() == '.')
                continue; // hidden
            if (!isValidUtf8(name)) {
                m_outcome.skipped.push_back(skipSentence(shown + name));
                continue;
            }
            if (!names.insert(name).second) {
                // A device may hold two objects of one name; a row names one file.
                m_outcome.skipped.push_back(shown + name +
                                            " is on the player twice; the second is left out "
                                            "of this comparison");
                continue;
            }
            if (object.folder) {
                subfolders.push_back(&object);
                continue;
            }
            if (unfinished(object, shown)) {
                m_outcome.skipped.push_back(shown + name +
                                            " is an unfinished copy that an interrupted Sync "
                                            "left; it is left out of this comparison");
                continue;
            }
            ResultRow& row = m_outcome.rows.emplace_back();
            row.relativeName = relative + name;
            row.size = object.size;
            row.hasSize = true;
            row.modified = object.modified;
            row.hasModified = true;
            row.object = object.handle;
        }
        if (m_live)
            m_live->append(m_outcome.rows); // shown while the scan goes on
        for (const MtpObject* sub : subfolders)
            walk(sub->handle, shown + sub->name + "/", relative + sub->name + "/");
    }

    ScanOutcome take() { return std::move(m_outcome); }

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
    std::stop_token m_stop;
    GrowingRows* m_live;
    ScanOutcome m_outcome;
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
    DeviceTreeScan scan(where, std::move(stop), live);
    scan.walk(where.folder, rootFolderText(rootOf(address)), "");
    return scan.take();
}

} // namespace parlowen::Main
