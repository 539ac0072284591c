// On real mounts: a second run that meets the first one's folders, sources that change while
// they are copied, a player taken away from its mount point mid-run, and a nearly full device
// counted in allocation units.
#include "sync_wizard/executor.h"

#include "compare/comparison.h"
#include "fakes/compare_tool.h"
#include "fakes/faulty_file_ops.h"
#include "fakes/scratch_mount.h"
#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"
#include "sync_wizard/target_folders.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/statvfs.h>
#include <thread>

namespace parlowen {
namespace {

using testing::CompareTool;
using testing::FaultyFileOps;
using testing::leftoverTemporaries;
using testing::ScratchMount;
using testing::TempTree;

constexpr std::int64_t kOld = 1'500'000'000;
constexpr std::int64_t kNew = 1'600'000'000;

std::string pattern(std::size_t size, char seed = 'a')
{
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>(seed + (i * 7 + i / 4096) % 26);
    return content;
}

std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Calls once the first time the copying has gone past a number of bytes.
std::function<void(std::size_t)> onceAfter(std::size_t bytes, std::function<void()> action)
{
    return [bytes, action, done = false](std::size_t copied) mutable {
        if (!done && copied > bytes) {
            done = true;
            action();
        }
    };
}

class TwoRunsAtOnce : public ::testing::TestWithParam<ScratchMount::Kind>
{
};

TEST_P(TwoRunsAtOnce, TheSecondLeavesTheFirstsFolderAloneAndNothingIsLost)
{
    ScratchMount device(GetParam(), "64M");
    SKIP_UNLESS_MOUNTED(device);
    TempTree pc;
    const std::string big = pattern(12 << 20);
    std::filesystem::create_directories(device.path("Album"));
    std::ofstream(device.path("Album/big.flac")) << "the player's old recording";
    const struct timespec old[2] = {{kOld, 0}, {kOld, 0}};
    ::utimensat(AT_FDCWD, device.path("Album/big.flac").c_str(), old, 0);
    pc.file("Album/big.flac", big, kNew);
    pc.file("Album/a.mp3", "a", kNew);
    pc.file("s.mp3", "s", kNew);

    // The first run is held in the middle of the large file while the second runs whole.
    std::promise<void> inTheMiddle;
    std::promise<void> secondDone;
    FaultyFileOps first;
    first.afterChunk = onceAfter(4 << 20, [&] {
        inTheMiddle.set_value();
        secondDone.get_future().wait();
    });
    std::vector<FailedOperation> firstFailures;
    std::thread firstRun(
        [&] { firstFailures = carryOut(compareFolders(device.root(), pc.root()).plan, first); });
    inTheMiddle.get_future().wait();
    CompareTool second({"--apply", device.root(), pc.root()});
    const int secondStatus = second.status();
    const int temporariesMeanwhile = leftoverTemporaries(device.root());
    secondDone.set_value();
    firstRun.join();

    EXPECT_EQ(secondStatus, 3);
    std::istringstream lines(second.stdoutText());
    int refused = 0;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("FAILED\t"))
            continue;
        ++refused;
        EXPECT_TRUE(line.ends_with(std::string("\t") + kLockedByAnotherRun)) << line;
    }
    EXPECT_EQ(refused, 3); // the overwrite and both copies: the first run holds both folders
    EXPECT_EQ(temporariesMeanwhile, 1); // the first run's, untouched by the second
    EXPECT_TRUE(firstFailures.empty()) << failureReport(firstFailures);
    EXPECT_EQ(readWhole(device.path("Album/big.flac")), big);
    EXPECT_EQ(readWhole(device.path("Album/a.mp3")), "a");
    EXPECT_EQ(leftoverTemporaries(device.root()), 0);
}

INSTANTIATE_TEST_SUITE_P(Devices, TwoRunsAtOnce,
                         ::testing::Values(ScratchMount::Tmpfs, ScratchMount::Exfat));

TEST(SourceChangedWhileCopied, TheTargetStaysAsItWasAndTheCopyFails)
{
    // The PC's disk keeps times to the nanosecond, as tmpfs does.
    ScratchMount pcDisk(ScratchMount::Tmpfs, "64m");
    SKIP_UNLESS_MOUNTED(pcDisk);
    const std::pair<const char*, std::function<void(const std::string&)>> changes[] = {
        {"rewritten in place at the same size",
         [](const std::string& path) {
             std::fstream(path, std::ios::in | std::ios::out | std::ios::binary)
                 << pattern(6 << 20, 'A');
         }},
        {"truncated", [](const std::string& path) { std::filesystem::resize_file(path, 1 << 20); }},
        {"grown", [](const std::string& path) { std::ofstream(path, std::ios::app) << "more"; }},
    };
    for (const auto& [what, change] : changes) {
        TempTree pc(pcDisk.root());
        TempTree player;
        const std::string source = pc.file("live.flac", pattern(6 << 20), kNew);
        player.file("live.flac", "the player's old recording", kOld);
        FaultyFileOps files;
        files.afterChunk = onceAfter(0, [&, change = change] { change(source); });
        const auto failures = carryOut(compareFolders(player.root(), pc.root()).plan, files);
        ASSERT_EQ(failures.size(), 1u) << what;
        EXPECT_EQ(failures[0].reason, "the source changed while it was copied") << what;
        EXPECT_EQ(player.read("live.flac"), "the player's old recording") << what;
        EXPECT_EQ(leftoverTemporaries(player.root()), 0) << what;
        EXPECT_EQ(compareFolders(player.root(), pc.root()).plan.size(), 1u) << what;
    }
}

TEST(PlayerTakenAway, NothingIsWrittenBeneathItsMountPointAndTheRestFail)
{
    ScratchMount device(ScratchMount::Tmpfs, "64m");
    SKIP_UNLESS_MOUNTED(device);
    TempTree pc;
    for (const char* name : {"a.flac", "b.flac", "c.mp3"})
        pc.file(name, pattern(3 << 20), kNew);
    const auto comparison = compareFolders(device.root(), pc.root());
    ASSERT_EQ(comparison.plan.size(), 3u);
    FaultyFileOps files;
    files.afterChunk = onceAfter(0, [&] { ASSERT_TRUE(device.unmountLazily()); });
    const auto run = carryOut(comparison.plan, files,
                              {.roots = comparedRoots(device.root(), pc.root(),
                                                      comparison.leftSeen, comparison.rightSeen)});
    ASSERT_EQ(run.failures.size(), 3u) << failureReport(run.failures);
    for (const auto& failure : run.failures)
        EXPECT_EQ(failure.reason, rootReplaced(device.root() + "/")) << failure.targetPath;
    EXPECT_TRUE(std::filesystem::is_empty(device.root())); // the PC's own disk
}

TEST(PlayerTakenAway, AfterCompareNothingIsWrittenOrMadeBeneathItsMountPoint)
{
    // Unmounted while the wizard is open, or another device mounted in its place.
    for (const bool another : {false, true}) {
        auto device = std::make_unique<ScratchMount>(ScratchMount::Tmpfs, "16m");
        SKIP_UNLESS_MOUNTED(*device);
        const std::string root = device->root();
        TempTree pc;
        pc.file("New Album/a.mp3", "a", kNew);
        pc.file("b.mp3", "b", kNew);
        const auto comparison = compareFolders(root, pc.root());
        ASSERT_TRUE(device->unmountLazily());
        // A new tmpfs takes the freed device number again, and its root is inode 1 too.
        if (another) {
            ASSERT_EQ(::system(("mount -t tmpfs -o size=1m tmpfs '" + root + "'").c_str()), 0);
        }
        PosixFileOps files;
        const auto run = carryOut(
            comparison.plan, files,
            {.createFolders = true,
             .roots = comparedRoots(root, pc.root(), comparison.leftSeen, comparison.rightSeen)});
        ASSERT_EQ(run.failures.size(), 2u) << failureReport(run.failures);
        EXPECT_EQ(run.failures[0].reason, rootReplaced(root + "/"));
        EXPECT_TRUE(std::filesystem::is_empty(root)) << (another ? "another device" : "unmounted");
        if (another)
            ::system(("umount '" + root + "'").c_str());
    }
}

// Leaves exactly this many allocation units free on the device.
bool leaveUnitsFree(const std::string& root, std::uint64_t units)
{
    struct statvfs room = {};
    if (::statvfs(root.c_str(), &room) != 0 || room.f_bavail < units)
        return false;
    std::filesystem::resize_file(root + "/filler", 0);
    std::ofstream(root + "/filler", std::ios::binary)
        << std::string((room.f_bavail - units) * room.f_frsize, 'f');
    return ::statvfs(root.c_str(), &room) == 0 && room.f_bavail == units;
}

TEST(RoomInAllocationUnits, EachFolderToBeMadeTakesAUnit)
{
    ScratchMount device(ScratchMount::Exfat, "96M", "128K");
    SKIP_UNLESS_MOUNTED(device);
    std::ofstream(device.path("filler"));
    ASSERT_TRUE(leaveUnitsFree(device.root(), 100));
    TempTree pc;
    for (int i = 0; i < 80; ++i)
        pc.file("Album " + std::to_string(i) + "/a.mp3", std::string(1024, 's'), kNew);
    CompareTool tool({"--apply", "--create-folders", device.root(), pc.root()});
    EXPECT_EQ(tool.status(), 4) << tool.stderrText(); // 160 units needed, 100 free
    EXPECT_TRUE(!std::filesystem::exists(device.path("Album 0")));
}

TEST(RoomInAllocationUnits, SmallFilesCountWholeUnitsAndAnExactFitFits)
{
    struct Case
    {
        const char* what;
        ScratchMount::Kind kind;
        const char* size;
        const char* cluster;
        int files;
        int status; // 4: refused, nothing touched; 0: all copied
    };
    const Case cases[] = {
        {"600 into 492 clusters of 128 KiB", ScratchMount::Exfat, "96M", "128K", 600, 4},
        {"492 into 492 clusters of 128 KiB", ScratchMount::Exfat, "96M", "128K", 492, 0},
        {"600 into 492 pages of 4 KiB", ScratchMount::Tmpfs, "4m", "", 600, 4},
        {"492 into 492 pages of 4 KiB", ScratchMount::Tmpfs, "4m", "", 492, 0},
    };
    for (const auto& c : cases) {
        ScratchMount device(c.kind, c.size, c.cluster);
        SKIP_UNLESS_MOUNTED(device);
        std::ofstream(device.path("filler"));
        std::filesystem::create_directories(device.path("Songs"));
        ASSERT_TRUE(leaveUnitsFree(device.root(), 492)) << c.what;
        TempTree pc;
        for (int i = 0; i < c.files; ++i)
            pc.file("Songs/" + std::to_string(i) + ".mp3", std::string(1024, 's'), kNew);
        CompareTool tool({"--apply", device.root(), pc.root()});
        EXPECT_EQ(tool.status(), c.status) << c.what << ": " << tool.stderrText();
        const auto copied = std::distance(std::filesystem::directory_iterator(device.path("Songs")),
                                          std::filesystem::directory_iterator());
        EXPECT_EQ(copied, c.status == 0 ? c.files : 0) << c.what;
    }
}

} // namespace
} // namespace parlowen
