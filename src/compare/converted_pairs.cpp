// Pairs of a song and its converted copy.
#include "compare/converted_pairs.h"

#include "compare/last_modified.h"
#include "compare/utf8.h"
#include "convert/audio_facts.h"
#include "convert/player_rules.h"
#include "platform/player_identity.h"

#include <unordered_map>

namespace parlowen {
namespace {

std::int64_t nanosecondsOf(const ResultRow& row)
{
    return row.modified * 1'000'000'000 + row.modifiedNs;
}

} // namespace

std::shared_ptr<const ConvertSetup> convertSetupFor(
    const std::string& leftRoot, const std::optional<ConvertRule>& thisRun, bool playlistsThisRun,
    std::optional<ConvertRule::PlaylistPlace> placeThisRun)
{
    const PlayerIdentity identity = playerIdentity(leftRoot);
    if (identity.id.empty())
        return nullptr;
    const ConvertRule saved = savedRule(playerRulesPath(), identity.id);
    ConvertRule rule = thisRun ? *thisRun : saved;
    rule.playlists = rule.playlists || playlistsThisRun;
    rule.playlistPlace = placeThisRun.value_or(saved.playlistPlace);
    if (!rule.on && !rule.playlists)
        return nullptr;
    const std::string mapPath = copyMapPath(identity.id);
    return std::make_shared<const ConvertSetup>(ConvertSetup{
        rule, mapPath, identity.namePrefix, CopyMap::load(mapPath), rule.playlists});
}

ConvertedNames convertedNames(const std::vector<ResultRow>& right, const ConvertSetup& setup,
                              const std::string& rightRoot, std::vector<std::string>& skipped)
{
    ConvertedNames out{std::vector<std::string>(right.size()), std::vector<bool>(right.size())};
    std::unordered_map<std::string, std::size_t> taken; // folded names of the PC's real files
    for (std::size_t i = 0; i < right.size(); ++i) {
        const std::string& name = right[i].relativeName;
        const bool m4a = foldCase(name).ends_with(".m4a");
        if (convertsByName(setup.rule, name) ||
            (m4a && setup.rule.on && isAlac(Main::fullPath(rightRoot, name))))
            out.names[i] = playerNameOf(name, setup.rule.preset);
        else
            taken.emplace(foldCase(name), i);
    }
    for (std::size_t i = 0; i < right.size(); ++i) {
        if (out.names[i].empty() || out.names[i] == right[i].relativeName)
            continue;
        const std::string fold = foldCase(out.names[i]);
        if (const auto at = taken.find(fold); at != taken.end()) {
            skipped.push_back(Main::fullPath(rightRoot, right[i].relativeName) +
                              " is not converted for the player: the PC also holds " +
                              Main::fullPath(rightRoot, right[at->second].relativeName) +
                              ", which is the one copied");
            out.names[i].clear();
            out.left[i] = true;
            continue;
        }
        taken.emplace(fold, i); // a second song of that name (x.wav beside x.flac) is left out
    }
    return out;
}

Judgement judgeConverted(const ResultRow& copy, const ResultRow& song, const ConvertSetup& setup)
{
    const MapLine* line = setup.map.find(setup.namePrefix + copy.relativeName);
    if (line && line->sourcePath == song.relativeName) {
        const bool songAsMade =
            line->sourceSize == song.size && line->sourceModifiedNs == nanosecondsOf(song);
        if (!copy.hasSize || copy.size != line->copySize)
            return {CopyVerdict::SongNewer,
                    "the player's copy is not the one Parlowen made, so it is converted again"};
        if (line->recipe != recipeOf(setup.rule))
            return {CopyVerdict::SongNewer, "converted again: the way of converting changed"};
        if (!songAsMade)
            return {CopyVerdict::SongNewer, "the song changed since it was converted"};
        return {CopyVerdict::Same};
    }
    // Without a line the times decide; a copy of another format is never the same by size.
    if (!copy.hasModified || (song.hasModified && song.modified > copy.modified))
        return {CopyVerdict::SongNewer};
    if (song.hasModified && LastModified::timeText(song.modified) ==
                                LastModified::timeText(copy.modified))
        return {CopyVerdict::Undecided};
    return {CopyVerdict::CopyNewer};
}

Conversion conversionOf(const ResultRow& song, const std::string& songPath,
                        const std::string& copyName, const ConvertSetup& setup, std::string why)
{
    const auto facts = audioFacts(songPath);
    const double bytesPerSecond = presetFacts(setup.rule.preset).nominalKbps * 1000.0 / 8;
    // Encoders come out above their nominal rate, VBR and Opus most: the room is kept wide.
    // A song whose length cannot be read is counted at its own size.
    const auto estimate =
        facts.seconds ? static_cast<std::int64_t>(1.25 * bytesPerSecond * *facts.seconds)
                      : song.size;
    return {.rule = setup.rule,
            .mapPath = setup.mapPath,
            .mapName = setup.namePrefix + copyName,
            .songName = song.relativeName,
            .estimatedSize = estimate,
            .why = std::move(why)};
}

bool isConvertedCopy(const ResultRow& copy, const ConvertSetup& setup)
{
    return setup.map.find(setup.namePrefix + copy.relativeName) != nullptr;
}

} // namespace parlowen
