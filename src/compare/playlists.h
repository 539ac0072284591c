// Playlists of the PC written for the player: an .m3u, .m3u8 or .pls read whatever its paths
// (relative, absolute, file:// or Windows) and text (UTF-8 with or without a byte-order mark,
// or Latin-1), each entry matched to a song of the compared PC folder, and the player's
// version written with the songs' names on the player, relative to the playlist's place there.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace parlowen {

struct PlaylistEntry
{
    std::string path;          // as the playlist writes it, as UTF-8
    std::string title = {};    // from #EXTINF or TitleN=, where given
    int seconds = -1;          // likewise; -1 where not known
};

// Whether the name is a playlist's (.m3u, .m3u8, .pls, any capitals).
bool isPlaylistName(std::string_view name);

// The entries of a playlist file's bytes; name tells .pls from the M3U kinds.
std::vector<PlaylistEntry> readPlaylist(std::string_view name, std::string_view bytes);

// The songs of the compared PC folder by their relative names, found also with other capitals.
// It refers to the names it is given, which must outlive it.
class SongNames
{
public:
    explicit SongNames(std::vector<std::string_view> relativeNames);
    // The song an entry names (its position among the names given), for a playlist at
    // playlistName (relative to pcRoot, the PC folder's full path); none where it names no song
    // there. An absolute path outside the PC folder (another computer's, a Windows path) is
    // matched by its longest tail that names one.
    std::optional<std::size_t> songOf(const std::string& entryPath,
                                      const std::string& playlistName,
                                      const std::string& pcRoot) const;
    std::string_view name(std::size_t song) const { return m_names[song]; }

private:
    // The song of that name; with fold, also one whose name differs in capitals.
    std::optional<std::size_t> named(std::string_view relative, bool fold = true) const;
    std::vector<std::string_view> m_names;
    std::unordered_map<std::string_view, std::size_t> m_exact;
    // Folded name -> song (one of them), made at the first name not found as it is written:
    // folding every name costs more than a Compare's whole match where capitals agree.
    mutable std::optional<std::unordered_map<std::string, std::size_t>> m_folded;
};

// "A/B/c.mp3" seen from the folder "A/D/" of the same tree: "../B/c.mp3".
std::string relativeTo(const std::string& folder, const std::string& name);

// The player's version of a playlist at playerName (relative to the player's folder): UTF-8
// with #EXTM3U and an #EXTINF line an entry, "/" separators; a ".m3u" starts with a byte-order
// mark so that players reading it as Latin-1 do not. songs: each entry's song by its name on
// the player.
std::string playerPlaylist(const std::string& playerName,
                           const std::vector<std::pair<PlaylistEntry, std::string>>& songs);

// Where the player is given the PC playlist of that name: beside its songs, as the PC keeps it,
// or in "Playlists" at the top of the player's folder, its folders' names before its own
// ("Rock/Best.m3u" as "Playlists/Rock - Best.m3u"). A ".pls" is given as ".m3u8".
std::string playerPlaylistName(const std::string& pcName, bool inPlaylistsFolder);

// A PC playlist as the player is given it.
struct PlayerVersion
{
    std::string name;                 // on the player
    std::string text;
    std::vector<std::string> missing; // entries whose songs will not be on the player
};

// playlistName: its name on the PC; playerName: on the player. onPlayer: a song's name on the
// player (converted, spelled as the player spells it), none where it will not be there; the
// song is given by its position in songs.
PlayerVersion playlistForPlayer(
    const std::string& playlistName, const std::string& playerName, std::string_view bytes,
    const SongNames& songs, const std::string& pcRoot,
    const std::function<std::optional<std::string>(std::size_t song)>& onPlayer);

} // namespace parlowen
