// Compare and the copies from a player that speaks MTP, on an in-memory device: the same rows,
// statuses and plan as for the same tree on a drive, and copies to the PC whole or not at all.
#include "compare/comparison.h"
#include "fakes/memory_mtp_device.h"
#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"
#include "sync_wizard/executor.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace parlowen {
namespace {

using testing::TempTree;

constexpr const char* kAddress = "mtp://Parlowen_Fake_Player_1/Internal storage/Music";

struct Song
{
    const char* path; // under the player's Music folder
    const char* bytes;
    std::int64_t modified;
};

// The player's songs; the PC has some of them, older, newer or missing.
const Song kPlayer[] = {
    {"a.mp3", "aaaa", 1'600'000'000},
    {"Ünïcödé/Вальс №2.mp3", "valse", 1'600'000'100},
    {"Ünïcödé/what?.mp3", "question", 1'600'000'200}, // a name FAT refuses
    {"Newer/b.mp3", "bbbbbbbb", 1'700'000'000},
    {".hidden/c.mp3", "c", 1'600'000'000},
    {"Same/d.mp3", "dd", 1'600'000'000},
};
const Song kPc[] = {
    {"Newer/b.mp3", "bb", 1'600'000'000},
    {"Same/d.mp3", "dd", 1'650'000'000},
    {"Only on PC/e.mp3", "eee", 1'600'000'000},
};

std::string read(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

class DeviceCompareTest : public ::testing::Test
{
protected:
    DeviceCompareTest()
    {
        for (const auto& song : kPlayer) {
            player->add(std::string("Music/") + song.path, song.bytes, song.modified);
            drive.file(song.path, song.bytes, song.modified);
        }
        for (const auto& song : kPc)
            pc.file(song.path, song.bytes, song.modified);
        devices.attach(player);
    }

    Comparison compare(const std::string& left)
    {
        return compareFolders(left, pc.root(), {}, nullptr, &devices);
    }

    std::shared_ptr<MemoryMtpDevice> player = std::make_shared<MemoryMtpDevice>();
    MemoryMtpDevices devices;
    TempTree drive; // the player's tree as a drive
    TempTree pc;
};

// What a comparison says, with the left root named alike for both, its lines sorted (each
// side lists a folder in its own order).
std::multiset<std::string> described(const Comparison& c, const std::string& leftRoot)
{
    std::ostringstream text;
    for (const auto& row : c.left)
        text << "L " << row.relativeName << ' ' << statusText(row.status) << ' ' << row.size << ' '
             << row.modified << '\n';
    for (const auto& row : c.right)
        text << "R " << row.relativeName << ' ' << statusText(row.status) << '\n';
    for (const auto& op : c.plan) {
        std::string source = op.OpSourcePath;
        if (source.starts_with(leftRoot))
            source = "LEFT" + source.substr(leftRoot.size());
        std::string target = op.OpTargetPath;
        if (target.starts_with(leftRoot))
            target = "LEFT" + target.substr(leftRoot.size());
        text << "OP " << op.OpAction << ' ' << source << " -> " << target << '\n';
    }
    std::multiset<std::string> lines;
    std::istringstream in(text.str());
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

TEST_F(DeviceCompareTest, APlayerComparesAsTheSameTreeOnADrive)
{
    const auto onDevice = compare(kAddress);
    const auto onDrive = compare(drive.root());
    ASSERT_EQ(onDevice.leftProblem, "");
    EXPECT_EQ(described(onDevice, kAddress), described(onDrive, drive.root()));
    EXPECT_EQ(onDevice.left.size(), 5u); // the hidden folder is left out
    // The plan knows which files are on the player, and by which handle.
    for (const auto& op : onDevice.plan) {
        const bool fromPlayer = op.OpSourcePath.starts_with(kAddress);
        EXPECT_EQ(op.source.on == Place::On::Device, fromPlayer) << op.OpSourcePath;
        EXPECT_EQ(op.target.on == Place::On::Device, !fromPlayer) << op.OpTargetPath;
        EXPECT_EQ(op.source.object != 0, fromPlayer);
    }
}

TEST_F(DeviceCompareTest, ANameTwiceInAFolderOrNotUtf8IsLeftOutAndSaid)
{
    player->add("Music/a.mp3", "another", 1'600'000'000);
    player->add("Music/bad\xff.mp3", "x", 1'600'000'000);
    const auto c = compare(kAddress);
    ASSERT_EQ(c.skipped.size(), 2u);
    EXPECT_NE(c.skipped[0].find("is on the player twice"), std::string::npos) << c.skipped[0];
    EXPECT_NE(c.skipped[1].find("has been skipped"), std::string::npos) << c.skipped[1];
    EXPECT_EQ(c.left.size(), 5u);
}

TEST_F(DeviceCompareTest, AFolderThePlayerCannotListGetsNoStatusOnTheOtherSide)
{
    player->quirks.unlistable = "Newer";
    const auto c = compare(kAddress);
    ASSERT_EQ(c.skipped.size(), 1u);
    EXPECT_NE(c.skipped[0].find("Music/Newer could not be read"), std::string::npos)
        << c.skipped[0];
    for (const auto& row : c.right)
        EXPECT_TRUE(row.relativeName != "Newer/b.mp3" || row.status == RowStatus::None);
    for (const auto& op : c.plan)
        EXPECT_EQ(op.OpTargetPath.find("Newer/"), std::string::npos) << op.OpTargetPath;
}

TEST_F(DeviceCompareTest, AnAddressThatLeadsNowhereIsRefusedWithTheReason)
{
    player->add("Music/file.mp3/x", "", 1); // a folder named like a song
    const std::pair<std::string, std::string> cases[] = {
        {"mtp://Parlowen_Fake_Player_1/Internal storage/Musik", "it does not exist"},
        {"mtp://Parlowen_Fake_Player_1/Internal storage/Music/a.mp3", "it is not a folder"},
        {"mtp://Parlowen_Fake_Player_1/SD card", "the player Parlowen_Fake_Player_1 has no storage named \"SD card\""},
        {"mtp://Other_Player/Internal storage", "the player Other_Player is not connected"},
        {"mtp://Parlowen_Fake_Player_1", "it is not a player's address (mtp://PLAYER/STORAGE/FOLDER)"},
    };
    for (const auto& [address, problem] : cases) {
        const auto c = compare(address);
        EXPECT_EQ(c.leftProblem, problem) << address;
        EXPECT_TRUE(c.left.empty() && c.right.empty() && c.plan.empty()) << address;
    }
    player->quirks.busy = true;
    EXPECT_EQ(compare(kAddress).leftProblem,
              "the player Parlowen_Fake_Player_1 could not be opened: another program holds it. "
              "If your file manager shows it, eject it there and try again");
}

TEST_F(DeviceCompareTest, AStopDuringTheScanAbandonsIt)
{
    player->quirks.perRequest = std::chrono::milliseconds(20);
    std::stop_source stop;
    std::jthread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(90));
        stop.request_stop();
    });
    const auto c = compareFolders(kAddress, pc.root(), stop.get_token(), nullptr, &devices);
    EXPECT_TRUE(c.abandoned);
    EXPECT_TRUE(c.plan.empty());
}

// Copies from the player land whole on the PC with the player's time, copies onto it whole,
// and the next Compare finds every pair "OK".
TEST_F(DeviceCompareTest, CopiesBothWaysAreWholeAndTheNextCompareFindsThemOk)
{
    TempTree state;
    devices.journalPath = state.path("uploads");
    player->quirks.stampUploads = 1'900'000'000; // the player's clock
    const auto c = compare(kAddress);
    PosixFileOps files;
    const auto run = carryOut(c.plan, files,
                              {.createFolders = true,
                               .roots = comparedRoots(kAddress, pc.root(), {}, {}),
                               .devices = &devices});
    EXPECT_TRUE(run.failures.empty()) << run.failures[0].reason;
    for (const auto& song : kPlayer) {
        if (std::string(song.path).starts_with(".") || std::string(song.path).starts_with("Same"))
            continue; // never copied: hidden, or the same size on both
        EXPECT_EQ(read(pc.path(song.path)), song.bytes) << song.path;
        struct stat info = {};
        ASSERT_EQ(::stat(pc.path(song.path).c_str(), &info), 0) << song.path;
        EXPECT_EQ(info.st_mtime, song.modified) << song.path;
    }
    EXPECT_EQ(player->bytesOf("Music/Only on PC/e.mp3"), "eee");
    const auto again = compare(kAddress);
    EXPECT_TRUE(again.plan.empty());
    for (const auto& row : again.left)
        EXPECT_TRUE(row.status == RowStatus::Ok) << row.relativeName;
}

TEST_F(DeviceCompareTest, ASourceChangedOrGoneSinceCompareIsNotCopied)
{
    auto c = compare(kAddress);
    std::erase_if(c.plan, [](const auto& op) { return op.target.on == Place::On::Device; });
    ASSERT_EQ(c.plan.size(), 4u); // a.mp3, the two in Ünïcödé, Newer/b.mp3
    player->drop(c.plan[0].source.object);
    player->drop(c.plan[3].source.object);
    player->add("Music/Newer/b.mp3", "b", 1'700'000'000); // same time, another size
    PosixFileOps files;
    const auto run = carryOut(c.plan, files, {.createFolders = true, .devices = &devices});
    ASSERT_EQ(run.failures.size(), 2u);
    EXPECT_EQ(run.failures[0].reason, "the source is no longer on the player, so nothing was copied");
    EXPECT_EQ(run.failures[1].reason, "the source changed since Compare, so nothing was copied");
    EXPECT_FALSE(std::filesystem::exists(pc.path("a.mp3")));
    EXPECT_EQ(read(pc.path("Newer/b.mp3")), "bb");
}

TEST_F(DeviceCompareTest, AStopInTheMiddleOfACopyLeavesNothingBehind)
{
    const std::string big(8 << 20, 'x');
    player->add("Music/Big/long.flac", big, 1'600'000'000);
    auto c = compare(kAddress);
    std::erase_if(c.plan, [](const auto& op) { return !op.OpSourcePath.ends_with("long.flac"); });
    ASSERT_EQ(c.plan.size(), 1u);
    std::filesystem::create_directories(pc.path("Big"));
    std::stop_source stop;
    PosixFileOps files;
    const auto run = carryOut(c.plan, files,
                              {.progress =
                                   [&stop](const CopyProgress& p) {
                                       if (p.bytesDone > (1 << 20))
                                           stop.request_stop();
                                   },
                               .stop = stop.get_token(),
                               .devices = &devices});
    EXPECT_TRUE(run.stopped);
    EXPECT_TRUE(std::filesystem::is_empty(pc.path("Big")));
}

} // namespace
} // namespace parlowen
