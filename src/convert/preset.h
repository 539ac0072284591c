// What a player is given in place of a lossless song: the encoder presets, what happens to the
// cover, and the rule of one player that says which songs are converted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parlowen {

enum class Preset : std::uint8_t
{
    Mp3V2,    // LAME VBR quality 2
    Opus128,  // Opus at 128 kbit/s
    VorbisQ5, // Vorbis quality 5
    Aac192    // FFmpeg's AAC at 192 kbit/s
};

struct PresetFacts
{
    const char* name;      // "mp3-v2", as given to --convert and kept in the rule
    const char* extension; // ".mp3"
    const char* kind;      // "MP3", as rows and the log name it
    int nominalKbps;       // for the size estimate before the copy exists
};

const PresetFacts& presetFacts(Preset preset);
std::optional<Preset> presetNamed(std::string_view name);

struct CoverRule
{
    enum class Mode : std::uint8_t
    {
        Keep,   // the source's front cover, its bytes as they are
        Drop,   // no picture
        Shrink  // at most `pixels` on its longer side (a cover already that small is kept)
    } mode = Mode::Keep;
    int pixels = 0;
};

// "keep", "drop" or a number of pixels; none for anything else.
std::optional<CoverRule> coverNamed(std::string_view text);
std::string coverName(const CoverRule& cover);

// Which songs of the PC one player is given converted, and how. Off until asked for.
struct ConvertRule
{
    bool on = false;
    Preset preset = Preset::Mp3V2;
    CoverRule cover = {};
    bool playlists = false; // the PC's playlists are written for the player
    enum class PlaylistPlace : std::uint8_t
    {
        BesideSongs,    // where the PC keeps it
        PlaylistsFolder // in "Playlists" at the top of the player's folder (Rockbox and others)
    } playlistPlace = PlaylistPlace::BesideSongs;
};

// Whether the rule converts the file of that name: lossless songs (FLAC, WAV, AIFF; an ALAC
// ".m4a" is told apart from AAC by its content, see isAlac).
bool convertsByName(const ConvertRule& rule, std::string_view name);
// Whether a ".m4a" holds ALAC (lossless) rather than AAC, from its sample description.
bool isAlac(const std::string& path);
// The name its copy has on the player: the same name with the preset's extension.
std::string playerNameOf(std::string_view name, Preset preset);
// What the map records of how copies were made: the preset, the cover rule and the encoder
// libraries' versions. A copy made otherwise is made again.
std::string recipeOf(const ConvertRule& rule);

} // namespace parlowen
