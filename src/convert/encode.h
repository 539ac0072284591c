// Decoding a song and encoding its audio by a preset, in the process, with FFmpeg's libraries.
#pragma once

#include "convert/preset.h"

#include <stop_token>
#include <string>

namespace parlowen {

// Encodes the audio of source into a new file at out (replaced if there) in the preset's
// format, without tags. Why it failed, in a player owner's words ("it could not be decoded:
// Invalid data found when processing input"), or "" when it is whole; "stopped" after a stop,
// which is looked at between packets (a few milliseconds apart). On a failure out may hold
// part of the encode: the caller removes it.
std::string encodeAudio(const std::string& source, Preset preset, const std::string& out,
                        const std::stop_token& stop);

inline constexpr const char* kEncodeStopped = "stopped";

} // namespace parlowen
