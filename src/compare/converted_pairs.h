// How Compare pairs a song on the PC with the copy a player was given converted: the names a
// converted song is matched under, and what the copy map says of a pair.
#pragma once

#include "compare/comparison.h"

#include <string>
#include <vector>

namespace parlowen {

// What Compare needs to give the player at leftRoot converted copies: the rule (this run's,
// else the player's saved one) and its copy map as it is now. None where the rule is off or the
// player cannot be known from one day to the next. Playlists may be asked for this run, in a
// place of this run's.
std::shared_ptr<const ConvertSetup> convertSetupFor(
    const std::string& leftRoot, const std::optional<ConvertRule>& thisRun = {},
    bool playlistsThisRun = false,
    std::optional<ConvertRule::PlaylistPlace> placeThisRun = std::nullopt);

struct ConvertedNames
{
    std::vector<std::string> names; // per right row: its name on the player, "" where unchanged
    std::vector<bool> left;         // per right row: left out (another file has its name)
};

// The player names of the songs the rule converts. A song whose player name a real file of the
// PC has is left out, with a sentence for the "Skip" box.
ConvertedNames convertedNames(const std::vector<ResultRow>& right, const ConvertSetup& setup,
                              const std::string& rightRoot, std::vector<std::string>& skipped);

enum class CopyVerdict
{
    Same,        // the map says the copy came from the song as it is now
    SongNewer,   // convert it again
    CopyNewer,   // never copied back over its song: left as it is
    Undecided    // no line, and the same time: nothing tells
};

struct Judgement
{
    CopyVerdict verdict;
    std::string why = {}; // why a copy is made again
};

Judgement judgeConverted(const ResultRow& copy, const ResultRow& song, const ConvertSetup& setup);

// What the plan carries for the song's converted copy at copyName (relative to the player's
// compared folder); its size estimated from the song's length.
Conversion conversionOf(const ResultRow& song, const std::string& songPath,
                        const std::string& copyName, const ConvertSetup& setup, std::string why);

// Whether the player's file is a converted copy the map knows (never copied back to the PC).
bool isConvertedCopy(const ResultRow& copy, const ConvertSetup& setup);

} // namespace parlowen
