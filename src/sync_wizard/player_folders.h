// The folders of players that speak MTP as one run finds them: looked up by their addresses,
// listed once, made only below the compared folder.
#pragma once

#include "platform/mtp_device.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/step_failure.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace parlowen {

// A folder of a player as a run finds it. Objects are found by name in its listing, made once
// a run: handles are never carried from Compare to the run.
struct PlayerFolder
{
    std::shared_ptr<MtpDevice> device = {};
    std::uint32_t storage = 0;
    std::uint32_t handle = kMtpStorageTop;
    std::string address = {};              // as the plan names it, ending in "/"
    std::string where = {};                // "mtp://HOST/STORAGE": the device as the room check names it
    std::vector<std::string> missing = {}; // its folders below the compared one that do not exist yet
    std::string problem = {};              // why it cannot be reached, or ""
    std::int64_t freeBytes = 0;            // of its storage; no more than the storage holds
    // What it holds, once listed; kept up to date by the run's own changes through the calls
    // below. A folder the run made holds nothing, and is not asked (some players refuse to
    // list a folder just made).
    std::optional<std::vector<MtpObject>> objects = {};
    // Their names with capitals folded, to tell at once whether a name is taken.
    std::unordered_multiset<std::string> folded = {};

    void hold(std::vector<MtpObject> listed);
    void add(MtpObject object);
    void rename(std::uint32_t handle, const std::string& name);
    void remove(std::uint32_t handle);
    // Whether an object answers to the name whatever its capitals (once listed).
    bool answersTo(const std::string& name) const;
};

// Finds folders of players by their addresses; never makes one at or above the compared folder.
class PlayerFolders
{
public:
    PlayerFolders(MtpDevices& devices, const SyncRoots& roots) : m_devices(devices), m_roots(roots) {}

    // The folder of an address ending in "/", looked up once a run; what is missing below the
    // compared folder is listed, not made.
    PlayerFolder& find(const std::string& folder);
    // Makes the folder's missing folders, parents first: why not, or "".
    std::string make(PlayerFolder& found);
    // The objects in the folder, listed the first time they are asked for.
    std::error_code list(PlayerFolder& folder);

private:
    std::shared_ptr<MtpDevice> open(const std::string& host, std::string& problem);
    // Finds the folder below one this run already holds (listed, or made by it) from that
    // one's listing: a player may refuse to list a folder just made. False where none is held.
    bool findBelowKnown(PlayerFolder& found, const std::string& folder);

    MtpDevices& m_devices;
    const SyncRoots& m_roots;
    std::map<std::string, std::shared_ptr<MtpDevice>> m_open;
    std::map<std::string, PlayerFolder> m_found; // by folder address
};

// A player's trouble at a step of a copy, in a player owner's words; a stop stays a stop.
StepFailure playerFailure(const MtpDevice& device, const std::error_code& error,
                          const std::string& step);

// The file of that name among a folder's objects, or null.
const MtpObject* fileNamed(const std::vector<MtpObject>& objects, const std::string& name);

} // namespace parlowen
