// Syncing real FLAC files to a player folder through parlowen-compare --convert: a copy made
// once and known the next time, a map line only for a copy that is whole, nothing partial after
// a stop or a kill, and a plan refused when its converted copies will not fit.
#include "convert/copy_map.h"
#include "fakes/compare_tool.h"
#include "fakes/scratch_mount.h"
#include "fakes/song_files.h"
#include "fakes/temp_tree.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>

namespace parlowen {
namespace {

using testing::CompareTool;
using testing::TempTree;

class ConvertRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!testing::haveFlacTool())
            GTEST_SKIP() << "the flac tool is not installed (scripts/setup.sh installs it)";
        ::setenv("XDG_CACHE_HOME", home.folder("cache").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", home.folder("config").c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_CACHE_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    void songs(int count, double seconds)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(testing::makeFlac(pc.path("Album/" + std::to_string(10 + i) + " Été.flac"),
                                          seconds, 300 + 20 * i, {{"TITLE", "Song"}}));
    }

    std::unique_ptr<CompareTool> sync(const std::string& player, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"--convert", "mp3-v2", "--apply", "--create-folders"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(player);
        args.push_back(pc.root());
        return std::make_unique<CompareTool>(args, home.path("state"));
    }

    // The map's lines, each checked against the player's file it names: a line only for a copy
    // that is there whole.
    std::size_t linesOfWholeCopies(const std::string& player)
    {
        std::size_t lines = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(home.folder("state/parlowen/maps"))) {
            if (entry.path().string().ends_with(".lock"))
                continue;
            std::istringstream text(home.read(
                std::filesystem::relative(entry.path(), home.root()).string()));
            for (std::string l; std::getline(text, l); ++lines) {
                const std::string name = l.substr(0, l.find('\t'));
                const std::string size = l.substr(l.rfind('\t') + 1);
                EXPECT_EQ(std::filesystem::file_size(player + "/" + name), std::stoull(size)) << l;
            }
        }
        return lines;
    }

    std::size_t partsInCache()
    {
        std::size_t parts = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(home.folder("cache/parlowen/converted")))
            parts += entry.path().string().ends_with(".part");
        return parts;
    }

    TempTree home;
    TempTree pc;
    TempTree player;
};

TEST_F(ConvertRun, ConvertsOnceAndKnowsItsCopiesNextTime)
{
    songs(3, 2.0);
    pc.file("Album/notes.mp3", "not converted");
    ASSERT_EQ(sync(player.root())->status(), 0);
    EXPECT_EQ(player.read("Album/notes.mp3"), "not converted");
    EXPECT_EQ(linesOfWholeCopies(player.root()), 3u);
    const auto before = std::filesystem::last_write_time(player.path("Album/10 Été.mp3"));

    // Nothing changed: nothing planned, nothing written.
    auto again = sync(player.root());
    EXPECT_EQ(again->status(), 0);
    EXPECT_EQ(again->stdoutText().find("\nOP"), std::string::npos) << again->stdoutText();
    EXPECT_EQ(std::filesystem::last_write_time(player.path("Album/10 Été.mp3")), before);
    EXPECT_NE(home.read("state/parlowen/sync.log").find("converted to MP3"), std::string::npos);
}

TEST_F(ConvertRun, PlaylistsAreWrittenWithTheConvertedNamesAndKnownNextTime)
{
    songs(2, 1.0);
    pc.file("Album/notes.mp3", "not converted");
    pc.file("Lists/mix.m3u", "C:\\Music\\Album\\10 \xC9t\xE9.flac\r\n../Album/notes.mp3\r\n"
                             "../Album/gone.mp3\r\n");
    auto run = sync(player.root(), {"--playlists"});
    EXPECT_EQ(run->status(), 0) << run->stderrText();
    EXPECT_EQ(player.read("Lists/mix.m3u"), "\xEF\xBB\xBF#EXTM3U\n"
                                            "#EXTINF:-1,10 Été\n../Album/10 Été.mp3\n"
                                            "#EXTINF:-1,notes\n../Album/notes.mp3\n");
    EXPECT_NE(run->stderrText().find("gone.mp3 is not on the player"), std::string::npos);
    EXPECT_NE(home.read("state/parlowen/sync.log").find("leaving out\t../Album/gone.mp3"),
              std::string::npos);
    auto again = sync(player.root(), {"--playlists"});
    EXPECT_EQ(again->stdoutText().find("\nOP"), std::string::npos) << again->stdoutText();

    // Moved to the Playlists folder: written there, and the version beside the songs is left
    // alone, never copied back over the PC's own.
    auto moved = sync(player.root(), {"--playlists-in", "folder"});
    EXPECT_EQ(moved->status(), 0) << moved->stderrText();
    EXPECT_EQ(player.read("Playlists/Lists - mix.m3u"), "\xEF\xBB\xBF#EXTM3U\n"
                                                        "#EXTINF:-1,10 Été\n../Album/10 Été.mp3\n"
                                                        "#EXTINF:-1,notes\n../Album/notes.mp3\n");
    EXPECT_EQ(pc.read("Lists/mix.m3u").substr(0, 3), "C:\\");
    auto settled = sync(player.root(), {"--playlists-in", "folder"});
    EXPECT_EQ(settled->stdoutText().find("\nOP"), std::string::npos) << settled->stdoutText();
}

TEST_F(ConvertRun, SyncThisPlaylistBringsOnlyItsSongs)
{
    songs(2, 1.0);
    pc.file("Album/notes.mp3", "not in the playlist");
    pc.file("Lists/one.m3u8", "../Album/11 Été.flac\n");
    auto run = sync(player.root(), {"--playlist", pc.path("Lists/one.m3u8")});
    EXPECT_EQ(run->status(), 0) << run->stderrText();
    EXPECT_EQ(player.read("Lists/one.m3u8"), "#EXTM3U\n#EXTINF:-1,11 Été\n../Album/11 Été.mp3\n");
    EXPECT_TRUE(std::filesystem::exists(player.path("Album/11 Été.mp3")));
    EXPECT_FALSE(std::filesystem::exists(player.path("Album/10 Été.mp3")));
    EXPECT_FALSE(std::filesystem::exists(player.path("Album/notes.mp3")));
}

TEST_F(ConvertRun, AnotherFormatReplacesTheOlderCopyOnceTheNewOneIsWhole)
{
    songs(2, 1.0);
    ASSERT_EQ(sync(player.root())->status(), 0);
    auto run = sync(player.root(), {"--convert", "vorbis-q5"});
    EXPECT_EQ(run->status(), 0) << run->stderrText();
    for (const char* song : {"Album/10 Été", "Album/11 Été"}) {
        EXPECT_FALSE(std::filesystem::exists(player.path(song + std::string(".mp3"))));
        EXPECT_TRUE(std::filesystem::exists(player.path(song + std::string(".ogg"))));
    }
    EXPECT_EQ(linesOfWholeCopies(player.root()), 2u);
}

TEST_F(ConvertRun, AStopOrAKillLeavesNoPartAndNoLineWithoutItsCopy)
{
    songs(8, 60.0);
    for (const int signal : {SIGINT, SIGKILL}) {
        auto run = sync(player.root());
        ::usleep(400'000);
        ::kill(run->pid, signal);
        const int status = run->status();
        if (signal == SIGINT) {
            EXPECT_EQ(status, 130) << run->stderrText();
            EXPECT_EQ(partsInCache(), 0u);
            EXPECT_EQ(testing::leftoverTemporaries(player.root()), 0);
        }
        EXPECT_LT(linesOfWholeCopies(player.root()), 8u) << "the run ended before the signal";
    }
    // The next run clears what the kill left and converts the rest.
    ASSERT_EQ(sync(player.root())->status(), 0);
    EXPECT_EQ(partsInCache(), 0u);
    EXPECT_EQ(linesOfWholeCopies(player.root()), 8u);
    EXPECT_EQ(testing::leftoverTemporaries(player.root()), 0);
}

TEST_F(ConvertRun, TheEstimateRefusesAPlanThatWillNotFit)
{
    testing::ScratchMount small(testing::ScratchMount::Tmpfs, "1m");
    SKIP_UNLESS_MOUNTED(small);
    songs(1, 60.0); // about 1.8 MB as MP3, 10 MB as FLAC: the estimate is what counts
    auto run = sync(small.root());
    EXPECT_EQ(run->status(), 4) << run->stderrText();
    EXPECT_TRUE(std::filesystem::is_empty(small.root()));
}

} // namespace
} // namespace parlowen
