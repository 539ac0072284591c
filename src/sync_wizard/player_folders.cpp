// The folders of players as one run finds them.
#include "sync_wizard/player_folders.h"

#include "compare/folder_scan.h"
#include "compare/utf8.h"
#include "platform/mtp_address.h"
#include "sync_wizard/player_names.h"

#include <algorithm>

namespace parlowen {
namespace {

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

StepFailure playerFailure(const MtpDevice& device, const std::error_code& error,
                          const std::string& step)
{
    if (error == std::errc::operation_canceled)
        return failed(error, step);
    if (error == std::errc::no_space_on_device)
        return failedPlainly("the player is full (" + step + ")");
    return failedPlainly(mtpProblem(device.host(), error) + " (" + step + ")");
}

const MtpObject* fileNamed(const std::vector<MtpObject>& objects, const std::string& name)
{
    const auto at = std::find_if(objects.begin(), objects.end(), [&](const MtpObject& object) {
        return !object.folder && object.name == name;
    });
    return at == objects.end() ? nullptr : &*at;
}

void PlayerFolder::hold(std::vector<MtpObject> listed)
{
    folded.clear();
    for (const MtpObject& object : listed)
        folded.insert(foldCase(object.name));
    objects = std::move(listed);
}

void PlayerFolder::add(MtpObject object)
{
    folded.insert(foldCase(object.name));
    objects->push_back(std::move(object));
}

void PlayerFolder::rename(std::uint32_t handle, const std::string& name)
{
    for (MtpObject& object : *objects) {
        if (object.handle != handle)
            continue;
        folded.erase(folded.find(foldCase(object.name)));
        object.name = name;
        folded.insert(foldCase(name));
    }
}

void PlayerFolder::remove(std::uint32_t handle)
{
    std::erase_if(*objects, [&](const MtpObject& object) {
        if (object.handle != handle)
            return false;
        folded.erase(folded.find(foldCase(object.name)));
        return true;
    });
}

bool PlayerFolder::answersTo(const std::string& name) const
{
    return folded.contains(foldCase(name));
}

std::shared_ptr<MtpDevice> PlayerFolders::open(const std::string& host, std::string& problem)
{
    if (auto at = m_open.find(host); at != m_open.end())
        return at->second;
    auto opened = m_devices.open(host);
    if (opened.error) {
        problem = mtpProblem(host, opened.error);
        return nullptr;
    }
    return m_open[host] = opened.value;
}

PlayerFolder& PlayerFolders::find(const std::string& folder)
{
    if (auto at = m_found.find(folder); at != m_found.end())
        return at->second;
    PlayerFolder& found = m_found[folder];
    found.address = folder;
    // Folders below the compared one may be made; it and those above it must be there.
    const auto side = sideHolding(folder, m_roots);
    std::string root = side ? (*side == Side::Left ? m_roots.left : m_roots.right) : "";
    if (root.empty())
        root = folder; // no compared folder known: nothing is made
    const auto place = parseMtpAddress(Main::rootOf(root));
    if (!place) {
        found.problem = "it is not a player's address";
        return found;
    }
    found.device = open(place->host, found.problem);
    if (!found.device)
        return found;
    found.where = mtpAddress(place->host, place->storage);
    if (findBelowKnown(found, folder))
        return found;
    const auto rootNames = folderNames(place->folder);
    const auto names = folderNames(folder.substr(found.where.size()));
    const auto walk = walkTo(*found.device, place->storage, names);
    found.storage = walk.storage.id;
    found.handle = walk.folder;
    // Some devices report more room than they hold.
    found.freeBytes = walk.storage.capacity > 0
                          ? std::min(walk.storage.freeBytes, walk.storage.capacity)
                          : walk.storage.freeBytes;
    if (walk.error)
        found.problem = mtpProblem(place->host, walk.error);
    else if (!walk.storageFound)
        found.problem = "the player " + place->host + " has no storage named \"" +
                        place->storage + "\" any more";
    else if (walk.reached < rootNames.size())
        found.problem = "the folder " + Main::rootOf(root) + " is no longer on the player";
    if (!found.problem.empty())
        return found;
    std::string missing = found.where + "/";
    for (std::size_t i = 0; i < names.size(); ++i) {
        missing += names[i] + "/";
        if (i >= walk.reached)
            found.missing.push_back(missing);
    }
    return found;
}

bool PlayerFolders::findBelowKnown(PlayerFolder& found, const std::string& folder)
{
    std::string above = folder;
    const PlayerFolder* known = nullptr;
    while (!known && above.size() > found.where.size() + 1) {
        above = folderOf(above.substr(0, above.size() - 1));
        const auto at = m_found.find(above);
        if (at != m_found.end() && at->second.problem.empty() && at->second.missing.empty() &&
            at->second.objects)
            known = &at->second;
    }
    if (!known)
        return false;
    found.storage = known->storage;
    found.handle = known->handle;
    found.freeBytes = known->freeBytes;
    std::vector<MtpObject> objects = *known->objects;
    const auto names = folderNames(folder.substr(above.size()));
    std::string path = above;
    for (std::size_t i = 0; i < names.size(); ++i) {
        path += names[i] + "/";
        const auto child = std::find_if(objects.begin(), objects.end(), [&](const MtpObject& o) {
            return o.folder && o.name == names[i];
        });
        if (child == objects.end()) {
            found.missing.push_back(path);
            for (std::size_t j = i + 1; j < names.size(); ++j)
                found.missing.push_back(path += names[j] + "/");
            return true;
        }
        found.handle = child->handle;
        if (i + 1 == names.size())
            break;
        auto listed = found.device->children(found.storage, found.handle);
        if (listed.error) {
            found.problem = mtpProblem(found.device->host(), listed.error);
            return true;
        }
        objects = std::move(listed.value);
    }
    return true;
}

std::string PlayerFolders::make(PlayerFolder& found)
{
    while (!found.missing.empty()) {
        const std::string missing = found.missing.front();
        const std::string name = nameOf(missing.substr(0, missing.size() - 1));
        const auto made = found.device->makeFolder(found.storage, found.handle, name);
        if (made.error)
            return "the player did not make the folder " + missing + " (" +
                   mtpProblem(found.device->host(), made.error) + ")";
        // The folder it was made in holds it now; the new one holds nothing.
        if (auto parent = m_found.find(folderOf(missing.substr(0, missing.size() - 1)));
            parent != m_found.end() && parent->second.objects)
            parent->second.add({.handle = made.value, .parent = found.handle,
                                .storage = found.storage, .name = name, .folder = true});
        found.handle = made.value;
        found.missing.erase(found.missing.begin());
        PlayerFolder& madeFolder = m_found[missing];
        const bool known = madeFolder.objects.has_value();
        auto kept = std::move(madeFolder.objects);
        madeFolder = found;
        madeFolder.address = missing;
        madeFolder.missing.clear();
        madeFolder.hold(known ? std::move(*kept) : std::vector<MtpObject>{});
    }
    if (!found.objects)
        found.hold({});
    return {};
}

std::error_code PlayerFolders::list(PlayerFolder& folder)
{
    if (folder.objects)
        return {};
    auto listed = folder.device->children(folder.storage, folder.handle);
    if (listed.error)
        return listed.error;
    folder.hold(std::move(listed.value));
    return {};
}

} // namespace parlowen
