// Choosing which operations of a plan a Sync carries out: groups a user checks at once, the
// headless tool's filters, and the chosen operations in plan order.
#pragma once

#include "compare/result_store.h"
#include "platform/file_ops.h"

#include <optional>
#include <string>
#include <vector>

namespace parlowen {

enum class Side
{
    Left, // the player's folder
    Right // the PC's folder
};

// The two compared folders as root texts ending in "/".
struct SyncRoots
{
    std::string left;
    std::string right;
    // Which folders they were when Compare read them: a run writes to a side only while its
    // root is still that folder (not an empty mount point, not another player). Unknown for
    // roots nobody compared.
    std::optional<FolderIdentity> leftSeen = {};
    std::optional<FolderIdentity> rightSeen = {};
};

// The roots a comparison of the two folder texts was made for, with the folders they were.
SyncRoots comparedRoots(const std::string& leftText, const std::string& rightText,
                        const std::optional<FolderIdentity>& leftSeen,
                        const std::optional<FolderIdentity>& rightSeen);

// The side whose root holds the path, the longer root first (one folder may hold the other);
// none when neither does.
std::optional<Side> sideHolding(const std::string& path, const SyncRoots& roots);

// The side an operation writes to.
Side targetSide(const PlannedOperation& op, const SyncRoots& roots);
// The target's name relative to its side's root ("Album/a.mp3").
std::string relativeTarget(const PlannedOperation& op, const SyncRoots& roots);

enum class Group
{
    All,
    ToLeft,
    ToRight,
    Overwrites,
    UnderFolder // everything whose target lies under a folder, on either side
};

// Whether the operation belongs to the group; folder is the relative folder ("Album/") of
// UnderFolder.
bool inGroup(const PlannedOperation& op, Group group, const SyncRoots& roots,
             const std::string& folder = {});

// The operations chosen, in plan order.
ResultStore chosenOperations(const ResultStore& plan, const std::vector<bool>& chosen);

// The headless tool's choice: only what goes to one side, and names left out by shell
// wildcard patterns matched against the relative name ("*" also crosses "/").
struct PlanFilter
{
    std::optional<Side> onlyTo;
    std::vector<std::string> excluded;
};

ResultStore filterPlan(const ResultStore& plan, const SyncRoots& roots, const PlanFilter& filter);

} // namespace parlowen
