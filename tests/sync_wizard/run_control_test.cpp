// Watching and stopping a run, flushing many small copies together, and the room check.
#include "sync_wizard/executor.h"
#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"

#include "fakes/faulty_file_ops.h"
#include "fakes/temp_tree.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace parlowen {
namespace {

using testing::FaultyFileOps;
using testing::leftoverTemporaries;
using testing::TempTree;

PlannedOperation copyOp(const TempTree& from, const TempTree& to, const std::string& name,
                        std::optional<std::int64_t> size = {})
{
    return {from.path(name),
            to.root() + "/",
            from.path(name),
            to.path(name),
            "",
            kCopiedTo,
            {},
            {},
            size};
}

PlannedOperation overwriteOp(const TempTree& from, const TempTree& to, const std::string& name,
                             std::int64_t newSize, std::int64_t oldSize)
{
    return {.OpSource = from.path(name),
            .OpDestination = to.path(name),
            .OpSourcePath = from.path(name),
            .OpTargetPath = to.path(name),
            .OpReplacedPath = to.path(name),
            .OpAction = kOverwrites,
            .seenTargetSize = oldSize,
            .sourceSize = newSize,
            .kind = OperationKind::Overwrite};
}

class RunControlTest : public ::testing::Test
{
protected:
    TempTree from;
    TempTree to;
    FaultyFileOps files;
};

TEST_F(RunControlTest, StopInTheMiddleOfAFileAbandonsOnlyThatFile)
{
    const std::string big(8 << 20, 'n');
    from.file("a.mp3", "aaa");
    from.file("big.mp3", big);
    from.file("c.mp3", "ccc");
    to.file("big.mp3", "old contents");
    const ResultStore plan = {copyOp(from, to, "a.mp3", 3),
                              overwriteOp(from, to, "big.mp3", big.size(), 12),
                              copyOp(from, to, "c.mp3", 3)};
    std::stop_source stop;
    std::vector<CopyProgress> told;
    files.afterChunk = [&](std::size_t copied) {
        if (copied > (4 << 20))
            stop.request_stop();
    };
    const auto run = carryOut(
        plan, files, {[&](const CopyProgress& p) { told.push_back(p); }, stop.get_token()});
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.finished, 1u);
    EXPECT_EQ(run.total, 3u);
    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(to.read("a.mp3"), "aaa");
    EXPECT_EQ(to.read("big.mp3"), "old contents");
    EXPECT_FALSE(std::filesystem::exists(to.path("c.mp3")));
    EXPECT_EQ(leftoverTemporaries(to.root()), 0);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().current, 2u);
    EXPECT_EQ(told.back().file, from.path("big.mp3"));
    EXPECT_EQ(told.back().bytesTotal, std::int64_t(big.size() + 6));
    EXPECT_GT(told.back().bytesDone, std::int64_t(4 << 20));
    for (std::size_t i = 1; i < told.size(); ++i)
        EXPECT_GE(told[i].bytesDone, told[i - 1].bytesDone);
}

TEST_F(RunControlTest, ManySmallCopiesShareOneFlush)
{
    ResultStore plan;
    const std::size_t count = writeAheadFiles() + 44;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = std::to_string(i) + ".lrc";
        from.file(name, "lyrics " + name);
        plan.push_back(copyOp(from, to, name));
    }
    const auto run = carryOut(plan, files, {});
    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(run.finished, count);
    EXPECT_EQ(files.flushes, 2); // a full batch written ahead, then the rest
    const std::string last = std::to_string(count - 1) + ".lrc";
    EXPECT_EQ(to.read(last), "lyrics " + last);
}

TEST_F(RunControlTest, RoomIsCheckedOncePerDevice)
{
    to.folder("A");
    to.folder("B");
    struct Case
    {
        const char* what;
        ResultStore plan;
        std::int64_t free;
        std::int64_t needed; // 0 when it fits
        std::int64_t unit = 1;
    };
    const Case cases[] = {
        {"copies add up", {copyOp(from, to, "A/1", 600), copyOp(from, to, "B/2", 500)}, 1000, 1100},
        {"they fit", {copyOp(from, to, "A/1", 600), copyOp(from, to, "B/2", 400)}, 1000, 0},
        {"an overwrite needs its growth",
         {overwriteOp(from, to, "A/1", 900, 100), copyOp(from, to, "B/2", 300)},
         1000,
         1100},
        {"a shrinking overwrite still needs its new size beside the old",
         {overwriteOp(from, to, "A/1", 2000, 1900), overwriteOp(from, to, "B/2", 10, 500)},
         1000,
         2000},
        {"each file takes whole allocation units",
         {copyOp(from, to, "A/1", 1), copyOp(from, to, "B/2", 101), copyOp(from, to, "B/3", 0)},
         250,
         300,
         100},
        {"an exact fit in units fits",
         {copyOp(from, to, "A/1", 1), copyOp(from, to, "B/2", 101)},
         300,
         0,
         100},
        {"an overwrite within its old units needs only its new ones beside them",
         {overwriteOp(from, to, "A/1", 150, 120)},
         199,
         200,
         100},
    };
    for (const auto& c : cases) {
        files.freeBytes = c.free;
        files.allocationUnit = c.unit;
        files.roomLookUps = 0;
        const auto shortfalls = roomShortfalls(c.plan, files);
        EXPECT_EQ(files.roomLookUps, 1) << c.what;
        if (c.needed == 0) {
            EXPECT_TRUE(shortfalls.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(shortfalls.size(), 1u) << c.what;
        EXPECT_EQ(shortfalls[0].needed, c.needed) << c.what;
        EXPECT_EQ(shortfalls[0].free, c.free) << c.what;
    }
    EXPECT_EQ(roomQuestion({{"/media/ann/PLAYER", 12'400'000'000, 3'100'000'000}}),
              "The copies need 12.4 GB on /media/ann/PLAYER, which has 3.1 GB free. Copy anyway? "
              "Copies that do not fit will be listed as failed.");
}

TEST(ProgressTexts, SizesCountsAndTimeLeft)
{
    const std::pair<std::int64_t, const char*> sizes[] = {{0, "0 bytes"},
                                                          {999, "999 bytes"},
                                                          {1000, "1.0 kB"},
                                                          {999'960, "1.0 MB"},
                                                          {18'300'000, "18.3 MB"},
                                                          {12'400'000'000, "12.4 GB"},
                                                          {3'000'000'000'000, "3.0 TB"}};
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(sizeText(bytes), text);
    EXPECT_EQ(countText(7), "7");
    EXPECT_EQ(countText(3204), "3,204");
    EXPECT_EQ(countText(1234567), "1,234,567");
    EXPECT_EQ(timeLeftText(30), "less than a minute left");
    EXPECT_EQ(timeLeftText(80), "about 1 minute left");
    EXPECT_EQ(timeLeftText(600), "about 10 minutes left");
    EXPECT_EQ(timeLeftText(7800), "about 2 hours 10 minutes left");
}

TEST(ProgressTexts, SpeedAndTimeLeftWaitForTheFirstSecondAndRideOutAStall)
{
    ProgressMeter meter;
    CopyProgress p{123, 3204, 0, 1'000'000'000, "/l/a.mp3"};
    EXPECT_EQ(meter.line(p, 0), "Copying 123 of 3,204 · 0 bytes of 1.0 GB copied");
    p.bytesDone = 10'000'000;
    EXPECT_EQ(meter.line(p, 0.5), "Copying 123 of 3,204 · 10.0 MB of 1.0 GB copied");
    // 10 MB/s for 10 s, then a stall of 4 s: the speed shows the stall, the time left barely.
    for (int s = 1; s <= 10; ++s) {
        p.bytesDone = 10'000'000 * (s + 1);
        meter.line(p, s + 0.5);
    }
    EXPECT_EQ(meter.line(p, 11.5), "Copying 123 of 3,204 · 110.0 MB of 1.0 GB copied · 6.7 MB/s · "
                                   "about 2 minutes left");
    EXPECT_NE(meter.line(p, 14.5).find("0 bytes/s · about 2 minutes left"), std::string::npos);
}

// Once Stop is pressed the line says what the run waits for, and never shows a speed that has
// dropped to nothing: a player that lets a nearly sent file through, one that is slow to give
// up a cancelled one.
TEST(ProgressTexts, AStopSaysWhatItWaitsFor)
{
    ProgressMeter meter;
    CopyProgress p{.current = 3, .total = 9, .bytesDone = 50'000'000, .bytesTotal = 900'000'000,
                   .file = "/pc/Longer Mix.flac",
                   .target = "mtp://P/Internal storage/Music/Longer Mix.flac",
                   .fileBytes = 60'000'000, .fileDone = 40'000'000};
    EXPECT_EQ(meter.stoppingLine(p, 10.0),
              "Stopping: waiting for the player to end the copy of Longer Mix.flac");
    p.bytesDone += 5'000'000;
    p.fileDone += 5'000'000;
    EXPECT_EQ(meter.stoppingLine(p, 10.5),
              "Stopping: the player is receiving the rest of Longer Mix.flac, 15.0 MB left");
    EXPECT_EQ(meter.stoppingLine(p, 12.0),
              "Stopping: waiting for the player to end the copy of Longer Mix.flac");
    p.current = 0;
    EXPECT_EQ(ProgressMeter().stoppingLine(p, 0), "Stopping…");
}

} // namespace
} // namespace parlowen
