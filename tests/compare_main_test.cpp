// The headless tool's room check and its clean stop on SIGINT, run as a separate program.
#include "fakes/compare_tool.h"
#include "fakes/scratch_mount.h"
#include "fakes/temp_tree.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace parlowen {
namespace {

using testing::leftoverTemporaries;
using testing::ScratchMount;
using testing::TempTree;
using Tool = testing::CompareTool;

TEST(CompareTool, ShortOfRoomTouchesNothingUnlessToldToCopyAnyway)
{
    ScratchMount player(ScratchMount::Tmpfs, "1m");
    if (!player.refused().empty())
        GTEST_SKIP() << player.refused();
    TempTree pc;
    pc.file("album.flac", std::string(3 << 20, 'f'));
    Tool refused({"--apply", player.root(), pc.root()});
    EXPECT_EQ(refused.status(), 4);
    EXPECT_NE(refused.stderrText().find("The copies need 3.1 MB on " + player.root() +
                                        ", which has 1.0 MB free. Copy anyway?"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(player.root()));

    Tool anyway({"--apply", "--copy-anyway", player.root(), pc.root()});
    EXPECT_EQ(anyway.status(), 3);
    EXPECT_NE(anyway.stdoutText().find("FAILED\t" + pc.path("album.flac") + "\t" +
                                       player.path("album.flac") + "\tthe device is full"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(player.root()));
}

TEST(CompareTool, SigintInTheMiddleOfALargeCopyStopsCleanly)
{
    TempTree player;
    TempTree pc;
    player.file("live.flac", "old recording", 1'500'000'000);
    pc.file("live.flac", "", 1'600'000'000);
    std::filesystem::resize_file(pc.path("live.flac"), std::uintmax_t(2) << 30); // sparse 2 GiB
    Tool tool({"--apply", player.root(), pc.root()});
    // Once the copy is under way, as Ctrl+C would come.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (leftoverTemporaries(player.root()) == 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(leftoverTemporaries(player.root()), 1);
    ::kill(tool.pid, SIGINT);
    EXPECT_EQ(tool.status(), 130);
    EXPECT_EQ(leftoverTemporaries(player.root()), 0);
    EXPECT_EQ(player.read("live.flac"), "old recording");
    EXPECT_NE(tool.stderrText().find("Stopped after 0 of 1 operations."), std::string::npos);
    EXPECT_NE(tool.stdoutText().find("OP\toverwrites\t" + pc.path("live.flac")), std::string::npos);
}

// The regular files under a folder, by relative name.
std::set<std::string> filesUnder(const std::string& root)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            names.insert(std::filesystem::relative(entry.path(), root).string());
    }
    return names;
}

TEST(CompareTool, ChoosingWhatTheRunDoes)
{
    struct Case
    {
        std::vector<std::string> options;
        std::set<std::string> player; // after the run
        std::set<std::string> pc;
        int status;
        bool logged;
    };
    const std::set<std::string> pcFiles = {"Album/a.mp3", "Album/live.flac", "b.mp3"};
    const Case cases[] = {
        // Without --apply the OP lines follow the choice; nothing is touched.
        {{"--exclude", "*.mp3"}, {"c.mp3"}, pcFiles, 1, false},
        {{"--apply", "--only-to", "right"},
         {"c.mp3"},
         {"Album/a.mp3", "Album/live.flac", "b.mp3", "c.mp3"},
         0,
         true},
        {{"--apply", "--only-to", "left", "--exclude", "*.flac", "--create-folders"},
         {"Album/a.mp3", "b.mp3", "c.mp3"},
         pcFiles,
         0,
         true},
        // Without --create-folders a copy into a missing folder fails as it always has.
        {{"--apply", "--only-to", "left", "--no-log"}, {"b.mp3", "c.mp3"}, pcFiles, 3, false},
    };
    for (const auto& c : cases) {
        TempTree player;
        TempTree pc;
        player.file("c.mp3", "c");
        for (const auto& name : pcFiles)
            pc.file(name, name);
        std::vector<std::string> args = c.options;
        args.push_back(player.root());
        args.push_back(pc.root());
        Tool tool(args);
        const std::string what = ::testing::PrintToString(c.options);
        EXPECT_EQ(tool.status(), c.status) << what << tool.stderrText();
        EXPECT_EQ(filesUnder(player.root()), c.player) << what;
        EXPECT_EQ(filesUnder(pc.root()), c.pc) << what;
        EXPECT_EQ(!tool.logText().empty(), c.logged) << what;
        if (c.options[0] == "--exclude") {
            EXPECT_EQ(tool.stdoutText().find("OP\tcopied to\t" + pc.path("b.mp3")),
                      std::string::npos);
        }
    }
}

TEST(CompareTool, HelpAndVersion)
{
    Tool help({"--help"});
    EXPECT_EQ(help.status(), 0);
    EXPECT_NE(help.stdoutText().find("--copy-anyway"), std::string::npos);
    Tool version({"--version"});
    EXPECT_EQ(version.status(), 0);
    EXPECT_TRUE(version.stdoutText().starts_with("parlowen-compare "));
    Tool wrong({"--copy-anyway", "/", "/"});
    EXPECT_EQ(wrong.status(), 2);
}

} // namespace
} // namespace parlowen
