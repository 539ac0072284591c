// The folders one run copies into.
#include "sync_wizard/target_folders.h"

#include "platform/open_file_limit.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/step_failure.h"

namespace parlowen {

void TargetFolders::enterAhead(const std::vector<std::string>& paths)
{
    const std::size_t budget = openFileBudget();
    for (std::size_t i = 0; i < paths.size() && i < budget; ++i)
        enter(paths[i], false);
}

std::shared_ptr<TargetFolder> TargetFolders::enter(const std::string& path, bool mayCreate)
{
    if (const auto known = m_byPath.find(path); known != m_byPath.end())
        return known->second;
    auto folder = std::make_shared<TargetFolder>();
    folder->path = path;
    auto opened = m_files.openFolder(path);
    if (opened.error == std::errc::no_such_file_or_directory ||
        opened.error == std::errc::not_a_directory) {
        if (!m_createMissing) {
            folder->refusal = "the folder " + path +
                              " does not exist on this side (Parlowen never creates folders)";
            return m_byPath[path] = folder;
        }
        if (!mayCreate)
            return folder; // made just before its first copy, not ahead
        folder->refusal = make(path);
        if (!folder->refusal.empty())
            return m_byPath[path] = folder;
        opened = m_files.openFolder(path);
    }
    if (opened.error) {
        folder->refusal = failed(opened.error, "opening the folder " + path).reason();
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
    // Any other answer is a file system without locks: the run goes on as it would alone.
    // Only under the lock: a temporary here is nobody's now.
    for (const auto& name : m_files.filesIn(folder.opened).value) {
        if (isTemporaryName(name))
            m_files.removeIn(folder.opened, name);
    }
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

std::string TargetFolders::make(const std::string& path)
{
    // The folders to make, deepest first, up to one that exists.
    std::vector<std::string> missing;
    std::string existing = path;
    while (existing.size() > 1) {
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
    folder.refusal = kDisconnected;
    return false;
}

} // namespace parlowen
