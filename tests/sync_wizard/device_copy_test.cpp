// Copies onto a player that speaks MTP, on an in-memory player with the quirks real ones show:
// whole files or none, the old copy of an overwrite kept until the new one is whole where the
// player renames, nothing left by a stop or a pulled cable once the next run has looked, and
// nothing touched outside the plan.
#include "compare/comparison.h"
#include "fakes/memory_mtp_device.h"
#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"
#include "sync_wizard/executor.h"
#include "platform/upload_journal.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/room_check.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

using testing::TempTree;

const std::string kRoot = "mtp://Parlowen_Fake_Player_1/Internal storage/Music";

// A player with a few songs, and the PC's folder beside it.
struct Scene
{
    Scene()
    {
        devices.journalPath = state.path("uploads");
        devices.attach(player);
        player->add("Music/old.mp3", "old", 1'500'000'000);
        player->add("Music/keep.mp3", "keep", 1'500'000'000);
        player->add("Other/else.mp3", "else", 1'500'000'000);
        pc.file("old.mp3", "newer and longer", 1'600'000'000);
        pc.file("keep.mp3", "keep", 1'400'000'000);
        pc.file("Album/new.mp3", std::string(300'000, 'n'), 1'600'000'000);
    }

    Comparison compare() { return compareFolders(kRoot, pc.root(), {}, nullptr, &devices); }

    CarryOutResult sync(const Comparison& c, CarryOutControl control = {})
    {
        control.roots = comparedRoots(kRoot, pc.root(), {}, {});
        control.devices = &devices;
        return carryOut(c.plan, files, control);
    }

    std::size_t journalEntries() const
    {
        return UploadJournal(devices.journalPath).entriesFor(player->host()).size();
    }

    std::shared_ptr<MemoryMtpDevice> player = std::make_shared<MemoryMtpDevice>();
    MemoryMtpDevices devices;
    PosixFileOps files;
    TempTree pc;
    TempTree state;
};

class DeviceCopyTest : public ::testing::Test, public Scene
{
};

TEST_F(DeviceCopyTest, TheWizardAndTheLogSayWhereAPlayerOverwritesInPlace)
{
    for (const bool renames : {true, false}) {
        SCOPED_TRACE(renames ? "renames" : "cannot rename");
        Scene fresh;
        fresh.player->quirks.noRename = !renames;
        const auto run = fresh.sync(fresh.compare(), {.createFolders = true});
        ASSERT_TRUE(run.failures.empty());
        // And the run's notes, which the log keeps.
        EXPECT_EQ(std::count_if(run.notes.begin(), run.notes.end(),
                                [](const std::string& note) {
                                    return note.find("cannot rename files") != std::string::npos;
                                }),
                  renames ? 0 : 1);
        fresh.pc.file("old.mp3", "newest", 1'700'000'000);
        const auto c = fresh.compare();
        const auto note = overwriteInPlaceNote(
            lookAtRoom(c.plan, fresh.files, comparedRoots(kRoot, fresh.pc.root(), {}, {}),
                       &fresh.devices));
        EXPECT_EQ(note.empty(), renames) << note;
    }
}

// A stop lets a file that is nearly sent finish; a large one is cancelled, leaving the old copy
// and no partial file.
TEST_F(DeviceCopyTest, AStopMidUploadLeavesAWholeFileOrTheOldOne)
{
    for (const std::int64_t size : {300'000, 70 << 20}) {
        SCOPED_TRACE(size);
        Scene fresh;
        const std::string bytes(static_cast<std::size_t>(size), 'o');
        fresh.pc.file("old.mp3", bytes, 1'600'000'000);
        const auto c = fresh.compare();
        auto expected = fresh.player->listing();
        std::stop_source stop;
        CarryOutControl control{.progress = [&stop](const CopyProgress& p) {
                                    if (p.bytesDone > 100'000)
                                        stop.request_stop();
                                },
                                .stop = stop.get_token(),
                                .createFolders = true};
        const auto run = fresh.sync(c, control);
        EXPECT_TRUE(run.stopped);
        const bool finished = size < (64 << 20);
        if (finished)
            expected["Music/old.mp3"] = size;
        EXPECT_EQ(fresh.player->listing(), expected); // and nothing after it was sent
        EXPECT_EQ(fresh.player->bytesOf("Music/old.mp3") == bytes, finished);
        EXPECT_EQ(fresh.journalEntries(), 0u);
    }
}

TEST_F(DeviceCopyTest, APlayerPulledMidUploadFailsTheRestAndTheNextCompareClearsWhatItLeft)
{
    pc.file("Album/Later/more.mp3", "more", 1'600'000'000); // after new.mp3
    player->quirks.goneAfterBytes = 100'000;
    const auto run = sync(compare(), {.createFolders = true});
    ASSERT_EQ(run.failures.size(), 2u);
    for (const auto& failure : run.failures)
        EXPECT_NE(failure.reason.find("is not connected"), std::string::npos) << failure.reason;
    EXPECT_EQ(journalEntries(), 1u);
    player->quirks.gone = false; // plugged in again
    const auto again = compare();
    ASSERT_FALSE(again.skipped.empty());
    EXPECT_NE(again.skipped[0].find("An unfinished copy of"), std::string::npos);
    EXPECT_EQ(journalEntries(), 0u);
    for (const auto& [path, size] : player->listing())
        EXPECT_EQ(path.find("parlowen-copy"), std::string::npos) << path;
    EXPECT_EQ(player->bytesOf("Music/old.mp3"), "newer and longer"); // sent before the pull
}

TEST_F(DeviceCopyTest, WhatCompareDidNotSeeIsLeftAlone)
{
    const auto c = compare();
    // Another program replaced the old copy, and made the new one's folder with a file in it.
    for (const auto& op : c.plan) {
        if (isOverwrite(op))
            player->drop(op.target.object);
    }
    player->add("Music/old.mp3", "other", 1'700'000'000);
    player->add("Music/Album/new.mp3", "theirs", 1'700'000'000);
    const auto run = sync(c, {.createFolders = true});
    ASSERT_EQ(run.failures.size(), 2u);
    EXPECT_EQ(player->bytesOf("Music/old.mp3"), "other");
    EXPECT_EQ(player->bytesOf("Music/Album/new.mp3"), "theirs");
    EXPECT_EQ(ExpectedObject{}.handle, 0u);
    EXPECT_EQ(removeChecked(*player, {.handle = 0}), std::errc::operation_not_permitted);
    EXPECT_EQ(removeChecked(*player, {.handle = kMtpStorageTop}),
              std::errc::operation_not_permitted);
}

TEST_F(DeviceCopyTest, AFolderThePlayerWillNotMakeIsSaid)
{
    player->quirks.refusedFolder = "Album";
    const auto run = sync(compare(), {.createFolders = true});
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_EQ(run.failures[0].reason.find("the player did not make the folder " + kRoot + "/Album/"), 0u)
        << run.failures[0].reason;
}

// A player that files music by the kind an upload declares must see a song, whatever name it
// is sent under; and a run asks for each folder's listing once, not once a copy.
TEST_F(DeviceCopyTest, UploadsDeclareTheSongsKindAndEachFolderIsListedOnceARun)
{
    for (int i = 0; i < 20; ++i)
        pc.file("Album/song " + std::to_string(i) + ".flac", "x", 1'600'000'000);
    const auto c = compare();
    const std::size_t before = player->listings();
    const auto run = sync(c, {.createFolders = true});
    ASSERT_TRUE(run.failures.empty()) << failureReport(run.failures);
    EXPECT_LE(player->listings() - before, 6u);
    ASSERT_EQ(player->declared().size(), 22u);
    for (const auto& song : player->declared())
        EXPECT_FALSE(isTemporaryName(song)) << song;
}

TEST_F(DeviceCopyTest, TheRoomIsThePlayersAndNoMoreThanItHolds)
{
    player->setFree(100'000, 1'000'000);
    auto shortfalls = roomShortfalls(compare().plan, files, true,
                                     comparedRoots(kRoot, pc.root(), {}, {}), &devices);
    ASSERT_EQ(shortfalls.size(), 1u);
    EXPECT_EQ(shortfalls[0].mountPoint, "mtp://Parlowen_Fake_Player_1/Internal storage");
    player->setFree(1'000'000'000, 200'000); // nonsense: more free than it holds
    shortfalls = roomShortfalls(compare().plan, files, true,
                                comparedRoots(kRoot, pc.root(), {}, {}), &devices);
    ASSERT_EQ(shortfalls.size(), 1u);
    EXPECT_EQ(shortfalls[0].free, 200'000);
}

} // namespace
} // namespace parlowen
