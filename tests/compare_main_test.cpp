// The headless tool's room check and its clean stop on SIGINT, run as a separate program.
#include "fakes/compare_tool.h"
#include "fakes/scratch_mount.h"
#include "fakes/temp_tree.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
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
