// Matching the rows of two scanned trees.
#include "compare/comparison.h"

#include "compare/last_modified.h"
#include "compare/utf8.h"

#include <iterator>
#include <string_view>
#include <unordered_map>

namespace parlowen {
namespace {

bool sameSizeText(const ResultRow& a, const ResultRow& b)
{
    return a.hasSize == b.hasSize && (!a.hasSize || a.size == b.size);
}

std::string modifiedText(const ResultRow& row)
{
    return row.hasModified ? LastModified::timeText(row.modified) : std::string();
}

// A row whose time is unknown counts as the earlier one.
bool laterThan(const ResultRow& a, const ResultRow& b)
{
    if (!a.hasModified)
        return false;
    return !b.hasModified || a.modified > b.modified;
}

void mark(ResultRow& row, RowStatus status, RowIcon icon)
{
    row.status = status;
    row.icon = icon;
}

std::optional<std::int64_t> sizeOf(const ResultRow& row)
{
    return row.hasSize ? std::optional<std::int64_t>(row.size) : std::nullopt;
}

std::optional<std::int64_t> timeOf(const ResultRow& row)
{
    return row.hasModified ? std::optional<std::int64_t>(row.modified) : std::nullopt;
}

Place placeOf(const ResultRow& row, const SideFacts& side)
{
    return {.on = side.on, .object = side.on == Place::On::Device ? row.object : 0};
}

// The folder a copy goes into is found by its path when the copy is made.
Place folderPlace(const SideFacts& side)
{
    return {.on = side.on, .object = 0};
}

PlannedOperation overwrite(const std::string& source, const std::string& target,
                           const ResultRow& sourceRow, const ResultRow& targetRow,
                           const SideFacts& sourceSide, const SideFacts& targetSide)
{
    PlannedOperation op{.OpSource = source,
                        .OpDestination = target,
                        .OpSourcePath = source,
                        .OpTargetPath = target,
                        .OpReplacedPath = target,
                        .OpAction = kOverwrites,
                        .seenTargetSize = {},
                        .seenTargetModified = {},
                        .sourceSize = sizeOf(sourceRow),
                        .seenSourceModified = timeOf(sourceRow),
                        .kind = OperationKind::Overwrite,
                        .source = placeOf(sourceRow, sourceSide),
                        .target = placeOf(targetRow, targetSide)};
    if (targetRow.hasSize)
        op.seenTargetSize = targetRow.size;
    if (targetRow.hasModified)
        op.seenTargetModified = targetRow.modified;
    return op;
}

PlannedOperation copy(const std::string& sourceRoot, const std::string& targetRoot,
                      const ResultRow& row, const SideFacts& sourceSide, const SideFacts& targetSide)
{
    const std::string& relativeName = row.relativeName;
    const std::string source = Main::fullPath(sourceRoot, relativeName);
    return {.OpSource = source,
            .OpDestination = Main::rootFolderText(targetRoot),
            .OpSourcePath = source,
            .OpTargetPath = Main::fullPath(targetRoot, relativeName),
            .OpReplacedPath = "",
            .OpAction = kCopiedTo,
            .seenTargetSize = {},
            .seenTargetModified = {},
            .sourceSize = sizeOf(row),
            .seenSourceModified = timeOf(row),
            .kind = OperationKind::Copy,
            .source = placeOf(row, sourceSide),
            .target = folderPlace(targetSide)};
}

// The right side's rows by name: an open-addressed table of row positions, a few bytes a row
// where a node-based map takes some fifty.
class NameIndex
{
public:
    explicit NameIndex(const std::vector<ResultRow>& rows) : m_rows(rows)
    {
        std::size_t size = 16;
        while (size < rows.size() * 2)
            size *= 2;
        m_slots.assign(size, kEmpty);
        for (std::uint32_t i = 0; i < rows.size(); ++i)
            m_slots[freeSlot(rows[i].relativeName)] = i;
    }

    // The position of the row with this name; npos when there is none.
    std::size_t find(std::string_view name) const
    {
        for (std::size_t slot = start(name);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const std::uint32_t row = m_slots[slot];
            if (row == kEmpty)
                return std::string::npos;
            if (m_rows[row].relativeName == name)
                return row;
        }
    }

private:
    static constexpr std::uint32_t kEmpty = ~std::uint32_t(0);
    std::size_t start(std::string_view name) const
    {
        return std::hash<std::string_view>{}(name) & (m_slots.size() - 1);
    }
    std::size_t freeSlot(std::string_view name) const
    {
        std::size_t slot = start(name);
        while (m_slots[slot] != kEmpty)
            slot = (slot + 1) & (m_slots.size() - 1);
        return slot;
    }
    const std::vector<ResultRow>& m_rows;
    std::vector<std::uint32_t> m_slots;
};

// Whether the name lies under (or is) one of the places that could not be read.
bool underAny(const std::string& name, const std::vector<std::string>& unreadable)
{
    for (const auto& place : unreadable) {
        if (place.ends_with('/') ? name.starts_with(place) : name == place)
            return true;
    }
    return false;
}

// Pairs the names still without a namesake that differ only in capitals, where exactly one
// such name lies on each side ("RED RIVERS/a.mp3" on the player, "Red Rivers/a.mp3" on the PC).
void matchCapitals(const std::vector<ResultRow>& left, const std::vector<ResultRow>& right,
                   std::vector<std::size_t>& partner, std::vector<bool>& rightMatched)
{
    constexpr std::size_t kTwice = std::string::npos - 1;
    std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> byFold; // left, right
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (partner[i] != std::string::npos)
            continue;
        auto [at, added] = byFold.try_emplace(foldCase(left[i].relativeName),
                                              std::pair{i, std::string::npos});
        if (!added)
            at->second.first = kTwice;
    }
    if (byFold.empty())
        return;
    for (std::size_t i = 0; i < right.size(); ++i) {
        if (rightMatched[i])
            continue;
        if (auto at = byFold.find(foldCase(right[i].relativeName)); at != byFold.end())
            at->second.second = at->second.second == std::string::npos ? i : kTwice;
    }
    for (const auto& [fold, pair] : byFold) {
        const auto [l, r] = pair;
        if (l < kTwice && r < kTwice) {
            partner[l] = r;
            rightMatched[r] = true;
        }
    }
}

} // namespace

void matchRows(Comparison& c, const std::string& leftRoot, const std::string& rightRoot)
{
    matchRows(c.left, c.right, c.plan, leftRoot, rightRoot, c.leftFacts, c.rightFacts);
}

void matchRows(std::vector<ResultRow>& left, std::vector<ResultRow>& right, ResultStore& plan,
               const std::string& leftRoot, const std::string& rightRoot,
               const SideFacts& leftFacts, const SideFacts& rightFacts)
{
    // Names are unique within a side, so one index lookup finds the only possible match.
    const NameIndex rightByName(right);
    std::vector<std::size_t> partner(left.size());
    std::vector<bool> rightMatched(right.size(), false);
    for (std::size_t i = 0; i < left.size(); ++i) {
        partner[i] = rightByName.find(left[i].relativeName);
        if (partner[i] != std::string::npos)
            rightMatched[partner[i]] = true;
    }
    if (leftFacts.caseInsensitive || rightFacts.caseInsensitive)
        matchCapitals(left, right, partner, rightMatched);

    for (std::size_t i = 0; i < left.size(); ++i) {
        ResultRow& l = left[i];
        const std::size_t found = partner[i];
        if (found == std::string::npos) {
            if (underAny(l.relativeName, rightFacts.unreadable))
                continue; // the other side could not be read there: no status, no copy
            mark(l, RowStatus::NotFound, RowIcon::NoMatch);
            plan.push_back(copy(leftRoot, rightRoot, l, leftFacts, rightFacts));
            continue;
        }
        ResultRow& r = right[found];
        if (sameSizeText(l, r)) {
            mark(l, RowStatus::Ok, RowIcon::None);
            mark(r, RowStatus::Ok, RowIcon::None);
        } else if (modifiedText(l) == modifiedText(r)) {
            // Different sizes written in the same second: nothing tells which one is newer.
        } else if (laterThan(l, r)) {
            mark(l, RowStatus::Newer, RowIcon::Newer);
            mark(r, RowStatus::Older, RowIcon::Older);
            plan.push_back(overwrite(Main::fullPath(leftRoot, l.relativeName),
                                     Main::fullPath(rightRoot, r.relativeName), l, r, leftFacts,
                                     rightFacts));
        } else {
            mark(l, RowStatus::Older, RowIcon::Older);
            mark(r, RowStatus::Newer, RowIcon::Newer);
            plan.push_back(overwrite(Main::fullPath(rightRoot, r.relativeName),
                                     Main::fullPath(leftRoot, l.relativeName), r, l, rightFacts,
                                     leftFacts));
        }
    }
    for (std::size_t i = 0; i < right.size(); ++i) {
        if (rightMatched[i] || underAny(right[i].relativeName, leftFacts.unreadable))
            continue;
        mark(right[i], RowStatus::NotFound, RowIcon::NoMatch);
        plan.push_back(copy(rightRoot, leftRoot, right[i], rightFacts, leftFacts));
    }
}

std::string skipReport(const std::vector<std::string>& skipped)
{
    constexpr std::size_t kShown = 20;
    std::string text;
    for (std::size_t i = 0; i < skipped.size() && i < kShown; ++i)
        text += (i ? "\n" : "") + skipped[i];
    if (skipped.size() > kShown)
        text += "\n... and " + std::to_string(skipped.size() - kShown) + " more.";
    return text;
}

} // namespace parlowen
