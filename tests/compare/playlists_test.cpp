// Playlists of every kind written for the player: the player's version exact.
#include "compare/playlists.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(Playlists, EveryKindIsWrittenWithThePlayersNames)
{
    const SongNames songs({"Abba/Gold/01 Dancing Queen.flac", "Abba/Gold/02 Été.mp3",
                           "Björk/Post/03 Army of Me.mp3", "Lists/intro.mp3"});
    // The player has the FLAC as MP3, and Björk's folder in capitals; the intro is not going.
    const auto onPlayer = [&songs](std::size_t i) -> std::optional<std::string> {
        const std::string song(songs.name(i));
        if (song == "Abba/Gold/01 Dancing Queen.flac")
            return "Abba/Gold/01 Dancing Queen.mp3";
        if (song.starts_with("Björk/"))
            return "BJÖRK/" + song.substr(7);
        if (song == "Lists/intro.mp3")
            return std::nullopt;
        return song;
    };
    const std::string expected = "#EXTM3U\n"
                                 "#EXTINF:-1,01 Dancing Queen\n../Abba/Gold/01 Dancing Queen.mp3\n"
                                 "#EXTINF:-1,02 Été\n../Abba/Gold/02 Été.mp3\n"
                                 "#EXTINF:-1,03 Army of Me\n../BJÖRK/Post/03 Army of Me.mp3\n";
    struct Case
    {
        const char* what;
        std::string name;
        std::string bytes;
        std::string playerName;
        bool inPlaylistsFolder = false;
    };
    const Case cases[] = {
        {"relative, UTF-8 without a mark", "Lists/mix.m3u8",
         "../Abba/Gold/01 Dancing Queen.flac\n../Abba/Gold/02 Été.mp3\n"
         "../Björk/Post/03 Army of Me.mp3\nintro.mp3\n", "Lists/mix.m3u8"},
        {"absolute in the PC folder, UTF-8 with a mark, CRLF", "Lists/mix.m3u",
         kBom + "#EXTM3U\r\n/home/ann/Music/Abba/Gold/01 Dancing Queen.flac\r\n"
                "/home/ann/Music/Abba/Gold/02 Été.mp3\r\n/home/ann/Music/Björk/Post/03 Army of Me.mp3\r\n"
                "/home/ann/Music/Lists/intro.mp3\r\n", "Lists/mix.m3u"},
        {"Windows paths of another computer, Latin-1", "Lists/mix.m3u",
         "C:\\Users\\Ann\\Music\\Abba\\Gold\\01 Dancing Queen.flac\r\n"
         "C:\\Users\\Ann\\Music\\Abba\\Gold\\02 \xC9t\xE9.mp3\r\n"
         "C:\\Users\\Ann\\Music\\BJ\xD6RK\\Post\\03 Army of Me.mp3\r\nintro.mp3\r\n", "Lists/mix.m3u"},
        {"file:// addresses", "Lists/mix.m3u8",
         "file:///home/ann/Music/Abba/Gold/01%20Dancing%20Queen.flac\n"
         "file:///media/old/Abba/Gold/02%20%C3%89t%C3%A9.mp3\n"
         "file://localhost/home/ann/Music/Bj%C3%B6rk/Post/03%20Army%20of%20Me.mp3\n"
         "file:///home/ann/Music/Lists/intro.mp3\n", "Lists/mix.m3u8"},
        {".pls with titles out of order", "Lists/mix.pls",
         "[playlist]\nFile2=../Abba/Gold/02 Été.mp3\nFile1=../Abba/Gold/01 Dancing Queen.flac\n"
         "File3=../Björk/Post/03 Army of Me.mp3\nFile4=intro.mp3\nNumberOfEntries=4\n",
         "Lists/mix.m3u8"},
        {"at the top, given in the Playlists folder", "mix.m3u",
         "Abba/Gold/01 Dancing Queen.flac\nAbba/Gold/02 Été.mp3\nBjörk/Post/03 Army of Me.mp3\n"
         "Lists/intro.mp3\n", "Playlists/mix.m3u", true},
        {"in a folder, given in the Playlists folder", "Lists/mix.pls",
         "[playlist]\nFile1=../Abba/Gold/01 Dancing Queen.flac\nFile2=../Abba/Gold/02 Été.mp3\n"
         "File3=/home/ann/Music/Björk/Post/03 Army of Me.mp3\nFile4=intro.mp3\n",
         "Playlists/Lists - mix.m3u8", true},
    };
    for (const auto& c : cases) {
        const auto version =
            playlistForPlayer(c.name, playerPlaylistName(c.name, c.inPlaylistsFolder), c.bytes,
                              songs, "/home/ann/Music", onPlayer);
        EXPECT_EQ(version.name, c.playerName) << c.what;
        const std::string mark = c.playerName.ends_with(".m3u") ? kBom : "";
        EXPECT_EQ(version.text, mark + expected) << c.what;
        EXPECT_EQ(version.missing.size(), 1u) << c.what;
    }
}

TEST(Playlists, TitlesAndLengthsAreKeptAndUnknownEntriesListed)
{
    const SongNames songs({"a.mp3"});
    const auto version = playlistForPlayer(
        "top.m3u8", "top.m3u8", "#EXTM3U\n#EXTINF:215,Ann - A Song\na.mp3\n#EXTINF:10,Gone\nnot here.mp3\n",
        songs, "/pc", [&songs](std::size_t s) { return std::optional(std::string(songs.name(s))); });
    EXPECT_EQ(version.text, "#EXTM3U\n#EXTINF:215,Ann - A Song\na.mp3\n");
    EXPECT_EQ(version.missing, std::vector<std::string>{"not here.mp3"});
    EXPECT_EQ(relativeTo("A/B/", "A/C/d.mp3"), "../C/d.mp3");
    EXPECT_EQ(relativeTo("", "A/d.mp3"), "A/d.mp3");
    EXPECT_EQ(relativeTo("A/", "A/d.mp3"), "d.mp3");
}

} // namespace
} // namespace parlowen

#include "compare/playlist_rows.h"

namespace parlowen {
namespace {

TEST(Playlists, SyncThisPlaylistChoosesItAndItsSongsOnly)
{
    ResultStore plan;
    for (int i = 0; i < 100'000; ++i)
        plan.push_back({.OpSourcePath = "/pc/song " + std::to_string(i) + ".mp3"});
    WrittenFile list{"#EXTM3U\n", {}, {"/pc/song 7.mp3", "/pc/song 99999.mp3", "/pc/gone.mp3"}};
    plan.push_back({.OpSourcePath = "/pc/mix.m3u8", .written = list});
    EXPECT_EQ(playlistSelection(plan, plan.size() - 1),
              (std::vector<std::size_t>{7, 99'999, plan.size() - 1}));
    EXPECT_TRUE(playlistSelection(plan, 3).empty()); // not a playlist
}

} // namespace
} // namespace parlowen
