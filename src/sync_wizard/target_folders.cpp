// The folders one run copies into.
#include "sync_wizard/target_folders.h"

#include "platform/open_file_limit.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/step_failure.h"

#include <algorithm>
#include <ctime>

namespace parlowen {
namespace {

// The root as people write it: no trailing "/" except for "/" itself.
std::string shown(const std::string& root)
{
    return root.size() > 1 && root.ends_with('/') ? root.substr(0, root.size() - 1) : root;
}

} // namespace

std::string rootReplaced(const std::string& root)
{
    return shown(root) + " is no longer the player or drive that was compared; Compare again";
}

std::string folderGone(const std::string& folder)
{
    return "the folder " + shown(folder) + " was moved or removed during the run";
}

TargetFolders::TargetFolders(FileOps& files, bool createMissing, const SyncRoots& roots,
                             std::string missingHint)
    : m_files(files), m_createMissing(createMissing), m_missingHint(std::move(missingHint)),
      m_roots(roots), m_sides{{{roots.left, roots.leftSeen, {}}, {roots.right, roots.rightSeen, {}}}}
{
}

TargetFolders::ComparedSide* TargetFolders::sideOf(const std::string& path)
{
    const auto side = sideHolding(path, m_roots);
    ComparedSide* found = side ? &m_sides[static_cast<std::size_t>(*side)] : nullptr;
    return found && !found->root.empty() ? found : nullptr;
}

std::string TargetFolders::rootRefusal(ComparedSide* side)
{
    if (!side || !side->seen)
        return {};
    if (side->refusal.empty()) {
        const auto now = m_files.identityOf(side->root);
        if (now.error || now.value != *side->seen)
            side->refusal = rootReplaced(side->root);
    }
    return side->refusal;
}

void TargetFolders::enterAhead(const std::vector<std::string>& paths, const std::stop_token& stop,
                               const std::function<void(std::size_t, std::size_t)>& told)
{
    const std::size_t count = std::min(paths.size(), openFileBudget());
    for (std::size_t i = 0; i < count && !stop.stop_requested(); ++i) {
        if (told)
            told(i, count);
        enter(paths[i], false);
    }
}

std::shared_ptr<TargetFolder> TargetFolders::enter(const std::string& path, bool mayCreate)
{
    if (const auto known = m_byPath.find(path); known != m_byPath.end())
        return known->second;
    auto folder = std::make_shared<TargetFolder>();
    folder->path = path;
    ComparedSide* side = sideOf(path);
    if (side) {
        folder->root = side->root;
        folder->rootSeen = side->seen;
    }
    if (std::string replaced = rootRefusal(side); !replaced.empty()) {
        folder->refusal = std::move(replaced);
        return m_byPath[path] = folder;
    }
    auto opened = m_files.openFolder(path);
    if (opened.error == std::errc::no_such_file_or_directory ||
        opened.error == std::errc::not_a_directory) {
        if (!m_createMissing) {
            folder->refusal = "the folder " + path + " does not exist on this side (" +
                              m_missingHint + ")";
            return m_byPath[path] = folder;
        }
        if (!mayCreate)
            return folder; // made just before its first copy, not ahead
        folder->refusal = make(path, side ? side->root.size() : 1);
        if (!folder->refusal.empty())
            return m_byPath[path] = folder;
        opened = m_files.openFolder(path);
    }
    if (opened.error) {
        folder->refusal = failed(opened.error, "opening the folder " + path).reason();
        return m_byPath[path] = folder;
    }
    // Looked at again once open: the device may have gone between the look and the opening.
    if (std::string replaced = rootRefusal(side); !replaced.empty()) {
        folder->refusal = std::move(replaced);
        return m_byPath[path] = folder;
    }
    const FolderIdentity identity = opened.value.identity;
    const auto key = std::make_pair(identity.device, identity.inode);
    if (auto same = m_byIdentity[key].lock())
        return m_byPath[path] = same;
    folder->opened = std::move(opened.value);
    hold(*folder);
    m_byIdentity[key] = folder;
    return m_byPath[path] = folder;
}

void TargetFolders::hold(TargetFolder& folder)
{
    folder.traits = traitsFor(folder.opened, folder.refusal);
    if (!folder.refusal.empty())
        return;
    // Read-only first: whatever else goes wrong there, that is the reason.
    if (folder.traits->readOnly) {
        folder.refusal = "the device is read-only";
        return;
    }
    const auto locked = m_files.lockFolder(folder.opened);
    if (locked == std::errc::resource_unavailable_try_again ||
        locked == std::errc::operation_would_block) {
        folder.refusal = kLockedByAnotherRun;
        return;
    }
    // Any other answer is a file system without locks: the run goes on, but another run may be
    // writing here unseen, and only the temporaries of runs certainly over are swept.
    const bool lockHeld = !locked;
    for (const auto& name : m_files.filesIn(folder.opened).value) {
        if (isTemporaryName(name) && (lockHeld || abandoned(folder.opened, name)))
            m_files.removeIn(folder.opened, name);
    }
}

bool TargetFolders::abandoned(const OpenedFolder& folder, const std::string& temporary)
{
    if (const std::string mark = runMarkOf(temporary); !mark.empty() && markedRunGone(mark))
        return true;
    // No run copies one file for a day: whoever wrote it is gone.
    constexpr std::time_t kDay = 24 * 60 * 60;
    const auto facts = m_files.factsIn(folder, temporary);
    return !facts.error && facts.value &&
           facts.value->modified.tv_sec < std::time(nullptr) - kDay;
}

std::shared_ptr<DeviceTraits> TargetFolders::traitsFor(const OpenedFolder& folder,
                                                       std::string& refusal)
{
    auto& traits = m_devices[folder.identity.device];
    if (!traits) {
        auto read = m_files.traitsOf(folder);
        if (read.error) {
            refusal = failed(read.error, "looking at the device").reason();
            m_devices.erase(folder.identity.device);
            return std::make_shared<DeviceTraits>();
        }
        traits = std::make_shared<DeviceTraits>(std::move(read.value));
    }
    return traits;
}

std::string TargetFolders::make(const std::string& path, std::size_t rootSize)
{
    // The folders to make, deepest first, up to one that exists; never the root or above it.
    std::vector<std::string> missing;
    std::string existing = path;
    while (existing.size() > rootSize) {
        const auto found = m_files.identityOf(existing);
        if (!found.error)
            break;
        if (found.error != std::errc::no_such_file_or_directory)
            return failed(found.error, "looking for the folder " + existing).reason();
        missing.push_back(existing);
        existing = folderOf(existing.substr(0, existing.size() - 1));
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        const std::string parentPath = folderOf(it->substr(0, it->size() - 1));
        const std::string name = it->substr(parentPath.size(), it->size() - parentPath.size() - 1);
        auto parent = m_files.openFolder(parentPath);
        if (parent.error)
            return failed(parent.error, "opening the folder " + parentPath).reason();
        std::string refusal;
        const auto traits = traitsFor(parent.value, refusal); // once per device
        if (!refusal.empty())
            return refusal;
        if (traits->readOnly)
            return "the device is read-only";
        if (traits->fatNames) {
            if (const std::string problem = fatNameProblem(name); !problem.empty())
                return "the folder " + *it + " cannot be made: " + problem;
        }
        const auto made = m_files.makeFolder(parent.value, name);
        if (made && made != std::errc::file_exists) // made meanwhile is as good
            return failed(made, "making the folder " + *it).reason();
    }
    return {};
}

bool stillThere(FileOps& files, TargetFolder& folder, const std::string& path)
{
    if (!folder.refusal.empty())
        return false;
    const auto now = files.identityOf(path);
    if (!now.error && now.value == folder.opened.identity)
        return true;
    if (!folder.rootSeen) {
        folder.refusal = kDisconnected;
        return false;
    }
    const auto root = files.identityOf(folder.root);
    const bool sameRoot = !root.error && root.value == *folder.rootSeen;
    folder.refusal = sameRoot ? folderGone(path) : rootReplaced(folder.root);
    return false;
}

} // namespace parlowen
