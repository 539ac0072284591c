// Choosing which operations of a plan a Sync carries out.
#include "sync_wizard/choices.h"

#include "compare/folder_scan.h"

#include <fnmatch.h>

namespace parlowen {

SyncRoots comparedRoots(const std::string& leftText, const std::string& rightText,
                        const std::optional<FolderIdentity>& leftSeen,
                        const std::optional<FolderIdentity>& rightSeen)
{
    return {Main::rootFolderText(Main::rootOf(leftText)),
            Main::rootFolderText(Main::rootOf(rightText)), leftSeen, rightSeen};
}

std::optional<Side> sideHolding(const std::string& path, const SyncRoots& roots)
{
    const bool left = path.starts_with(roots.left);
    const bool right = path.starts_with(roots.right);
    if (left && right)
        return roots.left.size() >= roots.right.size() ? Side::Left : Side::Right;
    if (!left && !right)
        return std::nullopt;
    return left ? Side::Left : Side::Right;
}

Side targetSide(const PlannedOperation& op, const SyncRoots& roots)
{
    return sideHolding(op.OpTargetPath, roots).value_or(Side::Right);
}

std::string relativeTarget(const PlannedOperation& op, const SyncRoots& roots)
{
    const std::string& root = targetSide(op, roots) == Side::Left ? roots.left : roots.right;
    return op.OpTargetPath.starts_with(root) ? op.OpTargetPath.substr(root.size())
                                             : op.OpTargetPath;
}

bool inGroup(const PlannedOperation& op, Group group, const SyncRoots& roots,
             const std::string& folder)
{
    switch (group) {
    case Group::All:
        return true;
    case Group::ToLeft:
        return targetSide(op, roots) == Side::Left;
    case Group::ToRight:
        return targetSide(op, roots) == Side::Right;
    case Group::Overwrites:
        return isOverwrite(op);
    case Group::UnderFolder:
        return relativeTarget(op, roots).starts_with(folder);
    }
    return false;
}

ResultStore chosenOperations(const ResultStore& plan, const std::vector<bool>& chosen)
{
    ResultStore result;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (i >= chosen.size() || chosen[i])
            result.push_back(plan[i]);
    }
    return result;
}

ResultStore filterPlan(const ResultStore& plan, const SyncRoots& roots, const PlanFilter& filter)
{
    ResultStore result;
    for (const auto& op : plan) {
        if (filter.onlyTo && targetSide(op, roots) != *filter.onlyTo)
            continue;
        const std::string name = relativeTarget(op, roots);
        bool excluded = false;
        for (const auto& pattern : filter.excluded)
            excluded = excluded || ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
        if (!excluded)
            result.push_back(op);
    }
    return result;
}

} // namespace parlowen
