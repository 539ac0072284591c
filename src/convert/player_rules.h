// The converting rules of each player, kept in the user's settings folder by the player's
// identity, so the window and parlowen-compare read the same ones.
#pragma once

#include "convert/preset.h"

#include <string>
#include <system_error>
#include <vector>

namespace parlowen {

// "$XDG_CONFIG_HOME/parlowen/players" (~/.config/parlowen/players).
std::string playerRulesPath();

// The player's saved rule; off (with the given default preset) where none is saved.
ConvertRule savedRule(const std::string& path, const std::string& identity,
                      Preset defaultPreset = Preset::Mp3V2);
// Keeps the rule for the player, the file replaced whole.
std::error_code saveRule(const std::string& path, const std::string& identity,
                         const ConvertRule& rule);

// The preset for a player that plays these MIME types ("audio/mpeg", "audio/ogg", ...): MP3
// where it plays MP3 or where nothing is known, else Vorbis, else AAC. Opus is never chosen:
// no player profile names it.
Preset presetForFormats(const std::vector<std::string>& mimeTypes);

} // namespace parlowen
