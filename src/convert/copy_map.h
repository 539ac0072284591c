// The record of which copy on a player came from which song on the PC: the only memory that
// tells a converted copy from a file put there by hand. A file a line, written whole and
// renamed into place, never rewritten where it lies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace parlowen {

struct MapLine
{
    std::string playerName;      // the copy, relative to the player's compared folder
    std::string sourcePath;      // the song it was made from, relative to the compared PC folder
    std::int64_t sourceSize = 0; // the song as it was then
    std::int64_t sourceModifiedNs = 0;
    std::string audioMd5 = {};   // a FLAC's checksum of its decoded audio; "" for others
    std::string recipe = {};     // preset, cover rule and encoder versions (recipeOf)
    std::int64_t copySize = 0;   // the copy as it was placed
};

class CopyMap
{
public:
    // The map kept at path; empty where there is none yet. Lines that cannot be read are left
    // out (and kept out of the next save).
    static CopyMap load(const std::string& path);

    const MapLine* find(const std::string& playerName) const;
    void put(MapLine line);
    void remove(const std::string& playerName);
    std::size_t size() const { return m_lines.size(); }
    bool changed() const { return !m_changes.empty(); }

    // Writes the map: under a lock, the file as it is now with this map's changes on top (a
    // run elsewhere may have added lines), to a new file that is flushed and renamed over the
    // old one. The changes are kept until a save succeeds.
    std::error_code save();

private:
    std::string m_path;
    std::unordered_map<std::string, MapLine> m_lines;
    // Since the last save: a line to put, or a name whose line goes (no line).
    std::vector<std::pair<std::string, std::optional<MapLine>>> m_changes;
};

// Sixteen hex digits that stand for the text in a file name (FNV-1a).
std::string nameHash(std::string_view text);

// "$XDG_STATE_HOME/parlowen/maps/<a file name made from the identity>".
std::string copyMapPath(const std::string& playerIdentity);

} // namespace parlowen
