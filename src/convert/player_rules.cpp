// Players' rules in a file of their own.
#include "convert/player_rules.h"

#include "platform/state_folder.h"
#include "platform/whole_file.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace parlowen {
namespace {

struct Line
{
    std::string identity;
    ConvertRule rule;
};

std::vector<Line> parse(const std::string& text)
{
    std::vector<Line> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const auto f = splitFields(line);
        if (f.size() < 4 || f.size() > 6)
            continue;
        const auto preset = presetNamed(f[2]);
        const auto cover = coverNamed(f[3]);
        if (!preset || !cover)
            continue; // written by a later version, or by hand
        lines.push_back({f[0],
                         {.on = f[1] == "on",
                          .preset = *preset,
                          .cover = *cover,
                          .playlists = f.size() >= 5 && f[4] == "playlists",
                          .playlistPlace = f.size() == 6 && f[5] == "playlists-folder"
                                               ? ConvertRule::PlaylistPlace::PlaylistsFolder
                                               : ConvertRule::PlaylistPlace::BesideSongs}});
    }
    return lines;
}

} // namespace

std::string playerRulesPath()
{
    return xdgFolder("XDG_CONFIG_HOME", ".config") + "/players";
}

ConvertRule savedRule(const std::string& path, const std::string& identity, Preset defaultPreset)
{
    for (const auto& line : parse(readWhole(path))) {
        if (line.identity == identity)
            return line.rule;
    }
    return {.on = false, .preset = defaultPreset};
}

std::error_code saveRule(const std::string& path, const std::string& identity,
                         const ConvertRule& rule)
{
    std::error_code error;
    const UniqueFd lock = lockFor(path, error);
    if (error)
        return error;
    auto lines = parse(readWhole(path));
    std::erase_if(lines, [&](const Line& line) { return line.identity == identity; });
    lines.push_back({identity, rule});
    std::string text;
    for (const auto& [id, r] : lines)
        text += escapedField(id) + '\t' + (r.on ? "on" : "off") + '\t' +
                presetFacts(r.preset).name + '\t' + coverName(r.cover) + '\t' +
                (r.playlists ? "playlists" : "no-playlists") + '\t' +
                (r.playlistPlace == ConvertRule::PlaylistPlace::PlaylistsFolder
                     ? "playlists-folder"
                     : "beside-songs") +
                '\n';
    return writeWhole(path, text);
}

Preset presetForFormats(const std::vector<std::string>& mimeTypes)
{
    const auto plays = [&](std::string_view type) {
        return std::find(mimeTypes.begin(), mimeTypes.end(), type) != mimeTypes.end();
    };
    if (mimeTypes.empty() || plays("audio/mpeg"))
        return Preset::Mp3V2;
    if (plays("audio/ogg") || plays("audio/x-vorbis+ogg") || plays("audio/vorbis"))
        return Preset::VorbisQ5;
    if (plays("audio/mp4") || plays("audio/aac") || plays("audio/x-m4a"))
        return Preset::Aac192;
    return Preset::Mp3V2;
}

} // namespace parlowen
