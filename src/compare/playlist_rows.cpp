// Playlists planned for the player.
#include "compare/playlist_rows.h"

#include "compare/playlists.h"
#include "compare/utf8.h"
#include "platform/whole_file.h"

#include <filesystem>
#include <unordered_map>
#include <unordered_set>

namespace parlowen {
namespace {

// Playlists larger than this are not read (none that people keep comes near).
constexpr std::size_t kLargestPlaylist = 8 << 20;

bool inPlaylistsFolder(const ConvertSetup& setup)
{
    return setup.rule.playlistPlace == ConvertRule::PlaylistPlace::PlaylistsFolder;
}

} // namespace

PlaylistRows playlistRows(const std::vector<ResultRow>& left, const std::vector<ResultRow>& right)
{
    PlaylistRows rows{std::vector<bool>(right.size()), std::vector<bool>(left.size())};
    // A version in the other place (the rule's place changed) is left alone too: it is neither
    // the player's own playlist nor to be copied back.
    std::unordered_set<std::string> versions;
    for (std::size_t r = 0; r < right.size(); ++r) {
        if (isPlaylistName(right[r].relativeName)) {
            rows.right[r] = true;
            for (const bool inFolder : {false, true})
                versions.insert(foldCase(playerPlaylistName(right[r].relativeName, inFolder)));
        }
    }
    for (std::size_t l = 0; l < left.size(); ++l)
        rows.left[l] = isPlaylistName(left[l].relativeName) &&
                       versions.contains(foldCase(left[l].relativeName));
    return rows;
}

void planPlaylists(std::vector<ResultRow>& left, std::vector<ResultRow>& right,
                   const PlaylistRows& rows, const std::vector<std::size_t>& partner,
                   const ConvertedNames& converted, const ConvertSetup& setup,
                   const std::string& leftRoot,
                   const std::string& rightRoot, const SideFacts& leftFacts,
                   const SideFacts& rightFacts, ResultStore& plan,
                   std::vector<std::string>& sentences)
{
    std::vector<std::size_t> leftOf(right.size(), std::string::npos);
    for (std::size_t l = 0; l < partner.size(); ++l) {
        if (partner[l] != std::string::npos)
            leftOf[partner[l]] = l;
    }
    std::vector<std::string_view> names;
    std::vector<std::size_t> rowOf; // of each song
    names.reserve(right.size());
    rowOf.reserve(right.size());
    for (std::size_t r = 0; r < right.size(); ++r) {
        if (!rows.right[r]) {
            names.push_back(right[r].relativeName);
            rowOf.push_back(r);
        }
    }
    const SongNames songs(std::move(names));
    // A song is on the player after the Sync where it is paired there or copied there.
    std::vector<std::string> named; // the songs of the playlist being written
    const auto onPlayer = [&](std::size_t song) -> std::optional<std::string> {
        const std::size_t r = rowOf[song];
        named.push_back(Main::fullPath(rightRoot, right[r].relativeName));
        if (leftOf[r] != std::string::npos)
            return left[leftOf[r]].relativeName;
        if ((!converted.left.empty() && converted.left[r]) ||
            underAny(right[r].relativeName, leftFacts.unreadable))
            return std::nullopt;
        return converted.names.empty() || converted.names[r].empty() ? right[r].relativeName
                                                                     : converted.names[r];
    };
    std::unordered_map<std::string, std::size_t> versions; // folded name -> left row
    for (std::size_t l = 0; l < left.size(); ++l) {
        if (rows.left[l])
            versions.emplace(foldCase(left[l].relativeName), l);
    }
    std::unordered_map<std::string, std::string> given; // folded player name -> PC playlist
    std::error_code error;
    const std::string pcRoot = std::filesystem::weakly_canonical(rightRoot, error).string();
    for (std::size_t r = 0; r < right.size(); ++r) {
        if (!rows.right[r] || underAny(right[r].relativeName, leftFacts.unreadable))
            continue;
        ResultRow& playlist = right[r];
        const std::string path = Main::fullPath(rightRoot, playlist.relativeName);
        if (playlist.size > static_cast<std::int64_t>(kLargestPlaylist)) {
            sentences.push_back(path + " is too large to be a playlist; it is left out");
            continue;
        }
        const std::string playerName =
            playerPlaylistName(playlist.relativeName, inPlaylistsFolder(setup));
        const auto [first, isNew] = given.emplace(foldCase(playerName), path);
        if (!isNew) {
            sentences.push_back(path + " would reach the player under the same name as " +
                                first->second + ", so it is left out");
            continue;
        }
        named.clear();
        const auto version = playlistForPlayer(playlist.relativeName, playerName,
                                               readWhole(path), songs, pcRoot, onPlayer);
        for (const auto& entry : version.missing)
            sentences.push_back(path + ": " + entry +
                                " is not on the player nor copied there, so the player's "
                                "playlist leaves it out");
        const auto there = versions.find(foldCase(version.name));
        PlannedOperation op{.OpSource = path,
                            .OpDestination = Main::rootFolderText(leftRoot),
                            .OpSourcePath = path,
                            .OpTargetPath = Main::fullPath(leftRoot, version.name),
                            .OpReplacedPath = "",
                            .OpAction = "written for the player",
                            .sourceSize = static_cast<std::int64_t>(version.text.size()),
                            .seenSourceModified = playlist.modified,
                            .kind = OperationKind::Copy,
                            .source = {.on = rightFacts.on},
                            .target = {.on = leftFacts.on},
                            .written = WrittenFile{version.text, version.missing, named}};
        if (there != versions.end()) {
            ResultRow& copy = left[there->second];
            // A drive's file is read; a player's is judged by its size.
            const bool same =
                copy.hasSize && copy.size == static_cast<std::int64_t>(version.text.size()) &&
                (leftFacts.on == Place::On::Device ||
                 readWhole(Main::fullPath(leftRoot, copy.relativeName)) == version.text);
            if (same) {
                copy.status = playlist.status = RowStatus::Ok;
                copy.icon = playlist.icon = RowIcon::None;
                continue;
            }
            copy.status = RowStatus::Older;
            copy.icon = RowIcon::Older;
            playlist.status = RowStatus::Newer;
            playlist.icon = RowIcon::Newer;
            op.kind = OperationKind::Overwrite;
            op.OpDestination = op.OpTargetPath = op.OpReplacedPath =
                Main::fullPath(leftRoot, copy.relativeName);
            op.OpAction = "rewritten for the player";
            if (copy.hasSize)
                op.seenTargetSize = copy.size;
            op.seenTargetModified = copy.modified;
            op.target.object = leftFacts.on == Place::On::Device ? copy.object : 0;
        } else {
            playlist.status = RowStatus::NotFound;
            playlist.icon = RowIcon::NoMatch;
        }
        plan.push_back(std::move(op));
    }
}

std::vector<std::size_t> playlistSelection(const ResultStore& plan, std::size_t playlistOp)
{
    if (playlistOp >= plan.size() || !plan[playlistOp].written)
        return {};
    const auto& songs = plan[playlistOp].written->songs;
    const std::unordered_set<std::string_view> wanted(songs.begin(), songs.end());
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (i == playlistOp || (!plan[i].written && wanted.contains(plan[i].OpSourcePath)))
            chosen.push_back(i);
    }
    return chosen;
}

} // namespace parlowen
