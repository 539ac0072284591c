// The folders one run copies into: each opened once before its first copy, locked against
// other runs, cleared of the temporaries an interrupted run left, and its device's traits
// worked out; copies are then made relative to the folder opened, never to its path again.
#pragma once

#include "platform/file_ops.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace parlowen {

struct TargetFolder
{
    std::string path; // as the plan names it, ending in "/"
    OpenedFolder opened;
    std::shared_ptr<DeviceTraits> traits; // shared by the run's folders on one device
    std::string refusal;                  // why nothing may be done in it (any more), or ""
};

// Said of a folder whose path no longer leads to the folder that was opened.
inline constexpr const char* kDisconnected =
    "the player or drive holding this folder was disconnected";
inline constexpr const char* kLockedByAnotherRun = "another copy into this folder is running";

// Whether path (one of the folder's names) still leads to the folder opened; once it does not,
// the folder is refused for the rest of the run. False also for a folder refused before.
bool stillThere(FileOps& files, TargetFolder& folder, const std::string& path);

class TargetFolders
{
public:
    // With createMissing, a folder that does not exist is made (and its missing parents) the
    // first time it is entered for a copy; never ahead.
    TargetFolders(FileOps& files, bool createMissing)
        : m_files(files), m_createMissing(createMissing)
    {
    }

    // Enters the folders in this order before anything is copied, as many as the process may
    // hold open: a run that starts later finds them locked, not half written.
    void enterAhead(const std::vector<std::string>& paths);
    // The folder at path, opened, locked and swept the first time it is entered.
    std::shared_ptr<TargetFolder> enter(const std::string& path) { return enter(path, true); }
    // The run has started its last operation into the folder: it is closed, and its lock let
    // go, once no copy holds it any more.
    void leave(const std::string& path) { m_byPath.erase(path); }

private:
    std::shared_ptr<TargetFolder> enter(const std::string& path, bool mayCreate);
    // Makes the folder and its missing parents, parents first; why not, or "".
    std::string make(const std::string& path);
    void hold(TargetFolder& folder);
    std::shared_ptr<DeviceTraits> traitsFor(const OpenedFolder& folder, std::string& refusal);

    FileOps& m_files;
    bool m_createMissing;
    std::map<std::string, std::shared_ptr<TargetFolder>> m_byPath;
    // On FAT two spellings of a folder are one folder, and the run must lock it only once.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::weak_ptr<TargetFolder>> m_byIdentity;
    std::map<std::uint64_t, std::shared_ptr<DeviceTraits>> m_devices;
};

} // namespace parlowen
