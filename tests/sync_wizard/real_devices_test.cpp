// Carrying plans out onto real small devices: a nearly full tmpfs, a read-only one, and an
// exFAT player image, which does not tell capitals from small letters.
#include "sync_wizard/executor.h"

#include "compare/comparison.h"
#include "fakes/recording_messages.h"
#include "fakes/scratch_mount.h"
#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace parlowen {
namespace {

using testing::ScratchMount;
using testing::TempTree;

constexpr std::int64_t kOld = 1'500'000'000;
constexpr std::int64_t kNew = 1'600'000'000;

// Compares the player with the PC and carries the plan out, as Sync's OK does.
struct Applied
{
    ResultStore plan;
    std::vector<FailedOperation> failures;
};

Applied compareAndApply(const std::string& player, const std::string& pc)
{
    testing::RecordingMessages messages;
    PosixFileOps files;
    Applied applied;
    applied.plan = compareFolders(player, pc).plan;
    applied.failures = carryOut(applied.plan, files);
    return applied;
}

TEST(RealDevices, NearlyFullPlayerTakesBothOverwrites)
{
    ScratchMount device(ScratchMount::Tmpfs, "4m");
    SKIP_UNLESS_MOUNTED(device);
    TempTree player(device.root());
    TempTree pc;
    for (const char* name : {"a.mp3", "b.mp3"}) {
        player.file(name, std::string(1'200'000, 'o'), kOld);
        pc.file(name, std::string(1'300'000, 'n'), kNew);
    }
    const auto applied = compareAndApply(player.root(), pc.root());
    ASSERT_EQ(applied.plan.size(), 2u);
    EXPECT_TRUE(applied.failures.empty()) << failureReport(applied.failures);
    EXPECT_EQ(player.read("a.mp3"), std::string(1'300'000, 'n'));
    EXPECT_EQ(player.read("b.mp3"), std::string(1'300'000, 'n'));
}

TEST(RealDevices, ReadOnlyPlayerSaysSoWhateverItHolds)
{
    ScratchMount device(ScratchMount::Tmpfs, "1m");
    SKIP_UNLESS_MOUNTED(device);
    TempTree pc;
    pc.file("a.mp3", "a", kNew);
    std::ofstream(device.path(".a.mp3.parlowen-copy")) << "left by a killed run";
    ASSERT_TRUE(device.remountReadOnly());
    const auto applied = compareAndApply(device.root(), pc.root());
    ASSERT_EQ(applied.failures.size(), 1u);
    EXPECT_EQ(applied.failures[0].reason, "the device is read-only");
    EXPECT_EQ(testing::leftoverTemporaries(device.root()), 1);
}

TEST(RealDevices, ExfatCaseTwinsAreNamesakesAndKeepThePlayersSpelling)
{
    ScratchMount device(ScratchMount::Exfat, "16M");
    SKIP_UNLESS_MOUNTED(device);
    TempTree player(device.root());
    TempTree pc;
    player.file("abba/Waterloo.mp3", "the player's Waterloo", kOld);
    player.file("Songs/Song.mp3", "the player's song", kOld);
    pc.file("ABBA/Waterloo.mp3", "the PC's Waterloo", kNew);
    pc.file("Songs/SONG.MP3", "the PC's song", kNew);
    pc.file("Songs/new.mp3", "new", kOld);

    const auto first = compareAndApply(player.root(), pc.root());
    EXPECT_EQ(first.plan.size(), 3u); // two overwrites of the player's files, one copy
    EXPECT_TRUE(first.failures.empty()) << failureReport(first.failures);
    EXPECT_EQ(player.read("abba/Waterloo.mp3"), "the PC's Waterloo");
    EXPECT_EQ(player.read("Songs/Song.mp3"), "the PC's song");
    EXPECT_EQ(player.read("Songs/new.mp3"), "new");
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(player.root()))
        names.insert(entry.path().lexically_relative(player.root()).string());
    EXPECT_EQ(names, (std::set<std::string>{"abba", "abba/Waterloo.mp3", "Songs",
                                            "Songs/Song.mp3", "Songs/new.mp3"}));
    EXPECT_FALSE(std::filesystem::exists(pc.path("abba"))); // no second copy on the PC
    struct stat copied = {};
    ASSERT_EQ(::stat(player.path("Songs/new.mp3").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mtime, kOld); // exFAT keeps the source's time
    EXPECT_TRUE(compareAndApply(player.root(), pc.root()).plan.empty());
}

TEST(RealDevices, ExfatRefusedCharactersAndLongNames)
{
    ScratchMount device(ScratchMount::Exfat, "16M");
    SKIP_UNLESS_MOUNTED(device);
    TempTree player(device.root());
    TempTree pc;
    std::string longName = "x"; // then é after é, so a cut at an even byte splits one
    while (longName.size() < 236)
        longName += "\xC3\xA9";
    longName += ".mp3";
    pc.file("AC:DC.mp3", "x", kNew);
    pc.file(longName, "long", kNew);

    const auto applied = compareAndApply(player.root(), pc.root());
    ASSERT_EQ(applied.failures.size(), 1u) << failureReport(applied.failures);
    EXPECT_EQ(applied.failures[0].targetPath, player.path("AC:DC.mp3"));
    EXPECT_EQ(applied.failures[0].reason,
              "the player's file system does not allow the character ':' in names");
    EXPECT_EQ(player.read(longName), "long");
}

TEST(RealDevices, ExfatRefusesAFolderNameAndSaysWhy)
{
    ScratchMount device(ScratchMount::Exfat, "16M");
    SKIP_UNLESS_MOUNTED(device);
    TempTree pc;
    pc.file("AC:DC/Back in Black.mp3", "x");
    pc.file("Queen/Innuendo.mp3", "y");
    PosixFileOps files;
    const auto plan = compareFolders(device.root(), pc.root()).plan;
    CarryOutControl control;
    control.createFolders = true;
    const auto run = carryOut(plan, files, control);
    ASSERT_EQ(run.failures.size(), 1u) << failureReport(run.failures);
    EXPECT_EQ(run.failures[0].reason,
              "the folder " + device.path("AC:DC/") +
                  " cannot be made: the player's file system does not allow the character ':' "
                  "in names");
    std::ifstream copied(device.path("Queen/Innuendo.mp3"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copied), {}), "y");
}

} // namespace
} // namespace parlowen
