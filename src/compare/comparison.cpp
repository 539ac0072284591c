// Matching the rows of two scanned trees.
#include "compare/comparison.h"

#include "compare/converted_pairs.h"
#include "compare/playlist_rows.h"

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
    // An empty name is no row's.
    explicit NameIndex(const std::vector<std::string_view>& names) : m_names(names)
    {
        std::size_t size = 16;
        while (size < names.size() * 2)
            size *= 2;
        m_slots.assign(size, kEmpty);
        for (std::uint32_t i = 0; i < names.size(); ++i) {
            if (!names[i].empty())
                m_slots[freeSlot(names[i])] = i;
        }
    }

    // The position of the row with this name; npos when there is none.
    std::size_t find(std::string_view name) const
    {
        for (std::size_t slot = start(name);; slot = (slot + 1) & (m_slots.size() - 1)) {
            const std::uint32_t row = m_slots[slot];
            if (row == kEmpty)
                return std::string::npos;
            if (m_names[row] == name)
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
    const std::vector<std::string_view>& m_names;
    std::vector<std::uint32_t> m_slots;
};

// Pairs the names still without a namesake that differ only in capitals, where exactly one
// such name lies on each side ("RED RIVERS/a.mp3" on the player, "Red Rivers/a.mp3" on the PC).
void matchCapitals(const std::vector<ResultRow>& left, const std::vector<std::string_view>& right,
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
        if (rightMatched[i] || right[i].empty())
            continue;
        if (auto at = byFold.find(foldCase(right[i])); at != byFold.end())
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

// Makes the copy a converted one: under the player's name, with what the run needs to convert.
void convertOnTheWay(PlannedOperation& op, const ResultRow& song, const std::string& copyName,
                     const std::string& playerRoot, const ConvertSetup& setup, std::string why)
{
    op.conversion = conversionOf(song, op.OpSourcePath, copyName, setup, std::move(why));
    const char* kind = presetFacts(setup.rule.preset).kind;
    // Short enough for the wizard's Action column; its tip says where and why.
    if (isOverwrite(op)) {
        op.OpAction = std::string(kOverwrites) + " as " + kind;
    } else {
        op.OpTargetPath = Main::fullPath(playerRoot, copyName);
        op.OpAction = std::string("converted to ") + kind;
    }
}

// The song whose new copy replaces this older converted copy of it in the same folder; npos
// where there is none.
std::size_t songReplacing(const ResultRow& copy, const ConvertSetup* setup,
                          const std::unordered_map<std::string_view, std::size_t>& songsUnpaired,
                          const std::vector<std::string>& playerNames)
{
    if (!setup)
        return std::string::npos;
    const MapLine* line = setup->map.find(setup->namePrefix + copy.relativeName);
    if (!line || !copy.hasSize || copy.size != line->copySize)
        return std::string::npos; // not the copy Parlowen made: left as it is
    const auto song = songsUnpaired.find(line->sourcePath);
    if (song == songsUnpaired.end())
        return std::string::npos;
    const std::string& newName = playerNames[song->second];
    const auto folderOf = [](std::string_view name) { return name.substr(0, name.rfind('/') + 1); };
    return folderOf(newName) == folderOf(copy.relativeName) ? song->second : std::string::npos;
}

void replaceOlder(Conversion& conversion, const ResultRow& older, const ConvertSetup& setup)
{
    conversion.replacesName = older.relativeName.substr(older.relativeName.rfind('/') + 1);
    conversion.replacesSize = older.size;
    conversion.replacesMapName = setup.namePrefix + older.relativeName;
    conversion.why = "converted again in the new format; it replaces " + conversion.replacesName;
}

// A song and the copy the player has of it in another format: the copy map decides, and a
// copy is only ever made from its song, never the other way.
void judge(ResultRow& copyRow, ResultRow& song, const std::string& leftRoot,
           const std::string& rightRoot, const ConvertSetup& setup, const SideFacts& leftFacts,
           const SideFacts& rightFacts, ResultStore& plan, std::vector<std::string>& sentences)
{
    const std::string songPath = Main::fullPath(rightRoot, song.relativeName);
    const std::string copyPath = Main::fullPath(leftRoot, copyRow.relativeName);
    const Judgement judgement = judgeConverted(copyRow, song, setup);
    switch (judgement.verdict) {
    case CopyVerdict::Same:
        mark(copyRow, RowStatus::Ok, RowIcon::None);
        mark(song, RowStatus::Ok, RowIcon::None);
        return;
    case CopyVerdict::SongNewer:
        mark(copyRow, RowStatus::Older, RowIcon::Older);
        mark(song, RowStatus::Newer, RowIcon::Newer);
        plan.push_back(overwrite(songPath, copyPath, song, copyRow, rightFacts, leftFacts));
        convertOnTheWay(plan.back(), song, copyRow.relativeName, leftRoot, setup, judgement.why);
        return;
    case CopyVerdict::CopyNewer:
        mark(copyRow, RowStatus::Newer, RowIcon::Newer);
        mark(song, RowStatus::Older, RowIcon::Older);
        sentences.push_back(copyPath + " is newer than " + songPath +
                            ", but a converted copy is never copied over its song");
        return;
    case CopyVerdict::Undecided:
        return;
    }
}

} // namespace

bool underAny(const std::string& name, const std::vector<std::string>& unreadable)
{
    for (const auto& place : unreadable) {
        if (place.ends_with('/') ? name.starts_with(place) : name == place)
            return true;
    }
    return false;
}

void matchRows(Comparison& c, const std::string& leftRoot, const std::string& rightRoot)
{
    matchRows(c.left, c.right, c.plan, leftRoot, rightRoot, c.leftFacts, c.rightFacts,
              &c.skipped);
}

void matchRows(std::vector<ResultRow>& left, std::vector<ResultRow>& right, ResultStore& plan,
               const std::string& leftRoot, const std::string& rightRoot,
               const SideFacts& leftFacts, const SideFacts& rightFacts,
               std::vector<std::string>* skipped)
{
    // The right side's songs that the left side is given converted are matched under their
    // names there.
    const ConvertSetup* convert = leftFacts.converted.get();
    std::vector<std::string> sentences;
    ConvertedNames converted;
    if (convert)
        converted = convertedNames(right, *convert, rightRoot, sentences);
    std::vector<std::string_view> rightNames(right.size());
    for (std::size_t i = 0; i < right.size(); ++i) {
        if (convert && converted.left[i])
            continue;
        rightNames[i] = convert && !converted.names[i].empty()
                            ? std::string_view(converted.names[i])
                            : std::string_view(right[i].relativeName);
    }
    const auto isConverted = [&](std::size_t r) { return convert && !converted.names[r].empty(); };
    // Playlists the player is given are planned once the songs are matched.
    PlaylistRows playlists{std::vector<bool>(right.size()), std::vector<bool>(left.size())};
    if (convert && convert->playlists)
        playlists = playlistRows(left, right);
    for (std::size_t r = 0; r < right.size(); ++r) {
        if (playlists.right[r])
            rightNames[r] = {};
    }

    // Names are unique within a side, so one index lookup finds the only possible match.
    const NameIndex rightByName(rightNames);
    std::vector<std::size_t> partner(left.size());
    std::vector<bool> rightMatched(right.size(), false);
    for (std::size_t i = 0; i < left.size(); ++i) {
        partner[i] = rightByName.find(left[i].relativeName);
        if (partner[i] != std::string::npos)
            rightMatched[partner[i]] = true;
    }
    if (leftFacts.caseInsensitive || rightFacts.caseInsensitive)
        matchCapitals(left, rightNames, partner, rightMatched);
    // After a change of format, a song's new copy replaces its older one in the same folder.
    std::unordered_map<std::string_view, std::size_t> songsUnpaired;
    std::vector<std::size_t> replacing(right.size(), std::string::npos);
    for (std::size_t r = 0; r < right.size(); ++r) {
        if (isConverted(r) && !rightMatched[r])
            songsUnpaired.emplace(right[r].relativeName, r);
    }

    for (std::size_t i = 0; i < left.size(); ++i) {
        ResultRow& l = left[i];
        const std::size_t found = partner[i];
        if (playlists.left[i])
            continue;
        if (found == std::string::npos) {
            if (underAny(l.relativeName, rightFacts.unreadable))
                continue; // the other side could not be read there: no status, no copy
            mark(l, RowStatus::NotFound, RowIcon::NoMatch);
            if (const std::size_t r = songReplacing(l, convert, songsUnpaired, converted.names);
                r != std::string::npos && replacing[r] == std::string::npos) {
                replacing[r] = i;
                mark(l, RowStatus::Older, RowIcon::Older);
                continue;
            }
            if (convert && isConvertedCopy(l, *convert)) {
                sentences.push_back(Main::fullPath(leftRoot, l.relativeName) +
                                    " was converted for the player and is not copied back");
                continue;
            }
            plan.push_back(copy(leftRoot, rightRoot, l, leftFacts, rightFacts));
            continue;
        }
        ResultRow& r = right[found];
        if (isConverted(found)) {
            judge(l, r, leftRoot, rightRoot, *convert, leftFacts, rightFacts, plan, sentences);
        } else if (sameSizeText(l, r)) {
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
        if (rightMatched[i] || underAny(right[i].relativeName, leftFacts.unreadable) ||
            (convert && converted.left[i]) || playlists.right[i])
            continue;
        mark(right[i], RowStatus::NotFound, RowIcon::NoMatch);
        plan.push_back(copy(rightRoot, leftRoot, right[i], rightFacts, leftFacts));
        if (isConverted(i)) {
            convertOnTheWay(plan.back(), right[i], converted.names[i], leftRoot, *convert, {});
            if (replacing[i] != std::string::npos)
                replaceOlder(*plan.back().conversion, left[replacing[i]], *convert);
        }
    }
    if (convert && convert->playlists)
        planPlaylists(left, right, playlists, partner, converted, *convert, leftRoot, rightRoot,
                      leftFacts, rightFacts, plan, sentences);
    if (skipped)
        skipped->insert(skipped->end(), sentences.begin(), sentences.end());
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
