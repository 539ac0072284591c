// The folders one run copies into: each opened once before its first copy, locked against
// other runs, cleared of the temporaries an interrupted run left, and its device's traits
// worked out; copies are then made relative to the folder opened, never to its path again.
#pragma once

#include "platform/file_ops.h"
#include "sync_wizard/choices.h"

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <stop_token>
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
    std::string root;                     // its side's compared root, or "" when not known
    std::optional<FolderIdentity> rootSeen;
    std::uint64_t lookedInRound = 0; // when its path was last found to lead to it
};

// Said of a folder whose path no longer leads to the folder that was opened.
inline constexpr const char* kDisconnected =
    "the player or drive holding this folder was disconnected";
inline constexpr const char* kLockedByAnotherRun = "another copy into this folder is running";

// Said of a side whose root no longer leads to the folder that was compared.
std::string rootReplaced(const std::string& root);
// Said of a folder moved or removed during the run while its device stayed.
std::string folderGone(const std::string& folder);

// Whether path (one of the folder's names) still leads to the folder opened; once it does not,
// the folder is refused for the rest of the run. False also for a folder refused before.
bool stillThere(FileOps& files, TargetFolder& folder, const std::string& path);

class TargetFolders
{
public:
    // With createMissing, a folder that does not exist is made (and its missing parents) the
    // first time it is entered for a copy; never ahead, and never at or above its side's root.
    // A folder is entered only while its side's root is still the folder that was compared.
    // A copy into a folder that does not exist fails with the hint of what to do about it.
    TargetFolders(FileOps& files, bool createMissing, const SyncRoots& roots = {},
                  std::string missingHint = {});

    // Enters the folders in this order before anything is copied, as many as the process may
    // hold open: a run that starts later finds them locked, not half written. Told how many
    // are open after each; ends early on a stop.
    void enterAhead(const std::vector<std::string>& paths, const std::stop_token& stop = {},
                    const std::function<void(std::size_t opened, std::size_t of)>& told = {});
    // The folder at path, opened, locked and swept the first time it is entered.
    std::shared_ptr<TargetFolder> enter(const std::string& path) { return enter(path, true); }
    // The run has started its last operation into the folder: it is closed, and its lock let
    // go, once no copy holds it any more.
    void leave(const std::string& path) { m_byPath.erase(path); }

private:
    struct ComparedSide
    {
        std::string root; // ending in "/"
        std::optional<FolderIdentity> seen;
        std::string refusal; // once the root is found replaced, for the rest of the run
    };

    std::shared_ptr<TargetFolder> enter(const std::string& path, bool mayCreate);
    ComparedSide* sideOf(const std::string& path);
    // Why nothing may be written beneath the side's root any more, or "".
    std::string rootRefusal(ComparedSide* side);
    // Makes the folder and its missing parents below the first rootSize bytes of its path,
    // parents first; why not, or "".
    std::string make(const std::string& path, std::size_t rootSize);
    void hold(TargetFolder& folder);
    // Whether a temporary in a folder without locks was left by a run that has ended.
    bool abandoned(const OpenedFolder& folder, const std::string& temporary);
    std::shared_ptr<DeviceTraits> traitsFor(const OpenedFolder& folder, std::string& refusal);

    FileOps& m_files;
    bool m_createMissing;
    std::string m_missingHint;
    SyncRoots m_roots;
    std::array<ComparedSide, 2> m_sides; // by Side: left, right
    std::map<std::string, std::shared_ptr<TargetFolder>> m_byPath;
    // On FAT two spellings of a folder are one folder, and the run must lock it only once.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::weak_ptr<TargetFolder>> m_byIdentity;
    std::map<std::uint64_t, std::shared_ptr<DeviceTraits>> m_devices;
};

} // namespace parlowen
