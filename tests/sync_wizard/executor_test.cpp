// Carrying plans out on real files, with failures injected where the disk cannot fail on demand.
#include "sync_wizard/executor.h"

#include "compare/folder_scan.h"
#include "fakes/faulty_file_ops.h"
#include "fakes/recording_messages.h"
#include "fakes/temp_tree.h"
#include "sync_wizard/target_folders.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace parlowen {
namespace {

using testing::FaultyFileOps;
using testing::leftoverTemporaries;
using testing::TempTree;

constexpr std::int64_t kOld = 1'500'000'000;
constexpr std::int64_t kNew = 1'600'000'000;

PlannedOperation copyOp(const std::string& source, const std::string& target)
{
    return {source, target.substr(0, target.rfind('/') + 1), source, target, "", kCopiedTo, {}, {},
            {}};
}

struct stat statOf(const std::string& path)
{
    struct stat info = {};
    ::stat(path.c_str(), &info);
    return info;
}

// An overwrite as Compare plans it: with the target's size and time as they are now.
PlannedOperation overwriteOp(const std::string& source, const std::string& target)
{
    const auto seen = statOf(target);
    return {.OpSource = source,
            .OpDestination = target,
            .OpSourcePath = source,
            .OpTargetPath = target,
            .OpReplacedPath = target,
            .OpAction = kOverwrites,
            .seenTargetSize = seen.st_size,
            .seenTargetModified = seen.st_mtime,
            .kind = OperationKind::Overwrite};
}

std::int64_t modified(const std::string& path)
{
    return statOf(path).st_mtime;
}

// Bytes of the regular files under a folder: what a small device would have in use.
std::size_t bytesUnder(const std::string& root)
{
    std::size_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            total += entry.file_size();
    }
    return total;
}

std::string pattern(std::size_t size)
{
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return content;
}

class ExecutorTest : public ::testing::Test
{
protected:
    TempTree from;
    TempTree to;
    PosixFileOps files;
};

TEST_F(ExecutorTest, CopiesOnlyPlanCopiesEachFileKeepingItsTime)
{
    from.file("a.mp3", "aaa", kNew);
    from.file("Album/b.mp3", "bbbb", kOld);
    to.folder("Album");
    const ResultStore plan = {copyOp(from.path("a.mp3"), to.path("a.mp3")),
                              copyOp(from.path("Album/b.mp3"), to.path("Album/b.mp3"))};
    EXPECT_TRUE(carryOut(plan, files).empty());
    EXPECT_EQ(to.read("a.mp3"), "aaa");
    EXPECT_EQ(to.read("Album/b.mp3"), "bbbb");
    EXPECT_EQ(modified(to.path("a.mp3")), kNew);
    EXPECT_EQ(modified(to.path("Album/b.mp3")), kOld);
    EXPECT_EQ(leftoverTemporaries(to.root()), 0);
}

TEST_F(ExecutorTest, OverwritesAndCopiesInPlanOrder)
{
    for (const char* name : {"1.mp3", "2.mp3", "4.mp3"}) {
        from.file(name, std::string("new ") + name, kNew);
        to.file(name, "old", kOld);
    }
    from.file("3.mp3", "copy", kNew);
    const ResultStore plan = {overwriteOp(from.path("1.mp3"), to.path("1.mp3")),
                              overwriteOp(from.path("2.mp3"), to.path("2.mp3")),
                              copyOp(from.path("3.mp3"), to.path("3.mp3")),
                              overwriteOp(from.path("4.mp3"), to.path("4.mp3"))};
    EXPECT_TRUE(carryOut(plan, files).empty());
    for (const char* name : {"1.mp3", "2.mp3", "4.mp3"}) {
        EXPECT_EQ(to.read(name), std::string("new ") + name);
        EXPECT_EQ(modified(to.path(name)), kNew);
    }
    EXPECT_EQ(to.read("3.mp3"), "copy");
}

TEST_F(ExecutorTest, CopyIntoAMissingFolderFailsAndCreatesNothing)
{
    from.file("Album/a.mp3", "a");
    from.file("b.mp3", "b");
    const ResultStore plan = {copyOp(from.path("Album/a.mp3"), to.path("Album/a.mp3")),
                              copyOp(from.path("b.mp3"), to.path("b.mp3"))};
    const auto failures = carryOut(plan, files);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].sourcePath, from.path("Album/a.mp3"));
    EXPECT_EQ(failures[0].targetPath, to.path("Album/a.mp3"));
    EXPECT_EQ(failures[0].reason,
              "the folder " + to.path("Album/") +
                  " does not exist on this side (choose to create the missing folders to have it "
                  "made)");
    EXPECT_FALSE(std::filesystem::exists(to.path("Album")));
    EXPECT_EQ(to.read("b.mp3"), "b"); // the next operation still ran
}

TEST_F(ExecutorTest, VanishedSourceLeavesTheTargetAsItWas)
{
    to.file("a.mp3", "old target", kOld);
    const ResultStore plan = {overwriteOp(from.path("a.mp3"), to.path("a.mp3"))};
    const auto failures = carryOut(plan, files);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].reason.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(to.read("a.mp3"), "old target");
    EXPECT_EQ(leftoverTemporaries(to.root()), 0);
}

struct InjectedFault
{
    const char* name;
    std::function<void(FaultyFileOps&)> inject;
    const char* reason;
};

TEST_F(ExecutorTest, InjectedFailuresLeaveTheOldTargetByteForByteAndNoTemporaryFile)
{
    const std::string source = from.file("big.mp3", pattern(3 << 20), kNew);
    const std::string oldTarget = pattern(1 << 20).substr(100);
    const std::vector<InjectedFault> faults = {
        {"write error half way", [](FaultyFileOps& f) { f.failCopyAfterBytes = 1 << 20; },
         "Input/output error"},
        {"full disk",
         [](FaultyFileOps& f) {
             f.failCopyAfterBytes = 2 << 20;
             f.failCopyError = ENOSPC;
         },
         "the device is full (copying)"},
        {"flush refused", [](FaultyFileOps& f) { f.failFinish = EIO; }, "Input/output error"},
        {"rename refused", [](FaultyFileOps& f) { f.failRename = EBUSY; }, "busy"},
        {"source unreadable", [](FaultyFileOps& f) { f.failOpenSource = EACCES; },
         "Permission denied"},
        {"folder unwritable", [](FaultyFileOps& f) { f.failCreate = EROFS; },
         "the device is read-only (creating the copy in"},
    };
    for (const auto& fault : faults) {
        to.file("big.mp3", oldTarget, kOld);
        FaultyFileOps faulty;
        fault.inject(faulty);
        const auto failures = carryOut({overwriteOp(source, to.path("big.mp3"))}, faulty);
        ASSERT_EQ(failures.size(), 1u) << fault.name;
        EXPECT_NE(failures[0].reason.find(fault.reason), std::string::npos)
            << fault.name << ": " << failures[0].reason;
        EXPECT_EQ(to.read("big.mp3"), oldTarget) << fault.name;
        EXPECT_EQ(modified(to.path("big.mp3")), kOld) << fault.name;
        EXPECT_EQ(leftoverTemporaries(to.root()), 0) << fault.name;
    }
}

TEST_F(ExecutorTest, CopyKilledHalfWayLeavesTheOldTargetAndAHiddenTemporaryFile)
{
    const std::string content = pattern(24 << 20);
    const std::string source = from.file("long.flac", content, kNew);
    to.file("long.flac", "the old recording", kOld);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FaultyFileOps slow;
        slow.afterChunk = [&](std::size_t) {
            const char byte = 1;
            (void)::write(ready[1], &byte, 1);
            ::pause(); // killed here, with part of the copy written
        };
        carryOut({overwriteOp(source, to.path("long.flac"))}, slow);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(to.read("long.flac"), "the old recording");
    EXPECT_EQ(leftoverTemporaries(to.root()), 1);
    // The scan does not list the leftover.
    testing::RecordingMessages messages;
    const auto rows = Main::ScanFolderTree(to.root()).rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].relativeName, "long.flac");
    // The next copy into that folder clears it, whatever its target.
    const std::string other = from.file("other.mp3", "other", kNew);
    EXPECT_TRUE(carryOut({copyOp(other, to.path("other.mp3"))}, files).empty());
    EXPECT_EQ(to.read("long.flac"), "the old recording");
    EXPECT_EQ(leftoverTemporaries(to.root()), 0);
}

TEST_F(ExecutorTest, CopyNeverReplacesAFileThatAnswersToItsName)
{
    from.file("Song.mp3", "the PC's song", kNew);
    to.file("Song.mp3", "the player's own song", kOld); // appeared after Compare
    const auto failures = carryOut({copyOp(from.path("Song.mp3"), to.path("Song.mp3"))}, files);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].reason, "a file of this name already exists on this side (its file "
                                  "system may not tell capitals from small letters)");
    EXPECT_EQ(to.read("Song.mp3"), "the player's own song");
    EXPECT_EQ(leftoverTemporaries(to.root()), 0);
}

TEST_F(ExecutorTest, OverwriteLeavesATargetChangedSinceCompare)
{
    const std::string source = from.file("a.mp3", "new version", kNew);
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> changes = {
        {"new size", [](const std::string& t) { std::ofstream(t, std::ios::app) << "edited"; }},
        {"new time",
         [](const std::string& t) {
             struct timespec times[2] = {{kOld + 60, 0}, {kOld + 60, 0}};
             ::utimensat(AT_FDCWD, t.c_str(), times, 0);
         }},
        {"removed", [](const std::string& t) { std::filesystem::remove(t); }},
    };
    for (const auto& [name, change] : changes) {
        to.file("a.mp3", "old", kOld);
        const auto plan = ResultStore{overwriteOp(source, to.path("a.mp3"))};
        FaultyFileOps faulty;
        faulty.beforeTargetCheck = [&](const std::string&) { change(to.path("a.mp3")); };
        const auto failures = carryOut(plan, faulty);
        ASSERT_EQ(failures.size(), 1u) << name;
        EXPECT_EQ(failures[0].reason, "the file changed since Compare, so it was left as it is");
        EXPECT_NE(to.read("a.mp3"), "new version") << name;
        EXPECT_EQ(leftoverTemporaries(to.root()), 0) << name;
    }
}

TEST_F(ExecutorTest, NearlyFullDeviceTakesOverwritesThatFitOneAtATime)
{
    // 4 MB of room: the two old files leave room for one new file beside them at a time.
    constexpr std::size_t kRoom = 4'000'000;
    for (const char* name : {"a.mp3", "b.mp3"}) {
        from.file(name, pattern(1'300'000), kNew);
        to.file(name, pattern(1'200'000), kOld);
    }
    FaultyFileOps small;
    small.chunkError = [&](std::size_t bytes) {
        return bytesUnder(to.root()) + bytes > kRoom ? ENOSPC : 0;
    };
    const auto failures = carryOut({overwriteOp(from.path("a.mp3"), to.path("a.mp3")),
                                    overwriteOp(from.path("b.mp3"), to.path("b.mp3"))},
                                   small);
    EXPECT_TRUE(failures.empty()) << failureReport(failures);
    EXPECT_EQ(to.read("a.mp3"), pattern(1'300'000));
    EXPECT_EQ(to.read("b.mp3"), pattern(1'300'000));
}

TEST_F(ExecutorTest, CopyCarriesTheSourcesAccessAndModificationTime)
{
    const std::string source = from.file("a.mp3", "aaa");
    const struct timespec times[2] = {{kOld, 123}, {kNew, 456}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    ASSERT_TRUE(carryOut({copyOp(source, to.path("a.mp3"))}, files).empty());
    const auto copy = statOf(to.path("a.mp3"));
    EXPECT_EQ(copy.st_atim.tv_sec, kOld);
    EXPECT_EQ(copy.st_mtim.tv_sec, kNew);
    EXPECT_EQ(copy.st_mtim.tv_nsec, 456);
}

TEST_F(ExecutorTest, NameAFatPlayerCannotHoldFailsBeforeAnythingIsWritten)
{
    from.file("AC:DC.mp3", "x");
    from.file("fine.mp3", "y");
    FaultyFileOps player;
    player.fatNames = true;
    const auto failures = carryOut({copyOp(from.path("AC:DC.mp3"), to.path("AC:DC.mp3")),
                                    copyOp(from.path("fine.mp3"), to.path("fine.mp3"))},
                                   player);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].reason,
              "the player's file system does not allow the character ':' in names");
    EXPECT_FALSE(std::filesystem::exists(to.path("AC:DC.mp3")));
    EXPECT_EQ(to.read("fine.mp3"), "y");
}

TEST_F(ExecutorTest, LeftoverTemporariesGoBeforeTheFirstCopyIntoTheirFolder)
{
    to.file("Album/.a.mp3.parlowen-copy", "left by a killed run");
    to.file("Album/.other.flac.parlowen-copy", "left by a killed run");
    to.file("Album/.hidden", "the user's");
    to.file("Album/parlowen-copy", "the user's");
    to.file("Untouched/.x.mp3.parlowen-copy", "in a folder this plan does not copy into");
    from.file("b.mp3", "b");
    EXPECT_TRUE(carryOut({copyOp(from.path("b.mp3"), to.path("Album/b.mp3"))}, files).empty());
    EXPECT_FALSE(std::filesystem::exists(to.path("Album/.a.mp3.parlowen-copy")));
    EXPECT_FALSE(std::filesystem::exists(to.path("Album/.other.flac.parlowen-copy")));
    EXPECT_EQ(to.read("Album/.hidden"), "the user's");
    EXPECT_EQ(to.read("Album/parlowen-copy"), "the user's");
    EXPECT_TRUE(std::filesystem::exists(to.path("Untouched/.x.mp3.parlowen-copy")));
}

TEST_F(ExecutorTest, WithoutLocksOnlyTheTemporariesOfRunsThatAreOverGo)
{
    const std::string host = runMark().substr(runMark().find('-'));
    const struct
    {
        std::string name;
        bool swept;
    } temporaries[] = {
        {".a.mp3.r1" + host + ".parlowen-copy", false},          // a live run here (init)
        {".b.mp3.r2147483646" + host + ".parlowen-copy", true},  // a run here that is gone
        {".c.mp3.r2147483646-00000000.parlowen-copy", false},    // another machine's run
        {".d.mp3.parlowen-copy", false},                         // unmarked and recent
        {".e.mp3.r1-00000000.parlowen-copy", true},              // another machine's, two days old
    };
    for (const auto& t : temporaries)
        to.file("Album/" + t.name, "half", t.name.starts_with(".e") ? std::time(nullptr) - 2 * 86400
                                                                    : std::time(nullptr));
    from.file("b.mp3", "b");
    FaultyFileOps lockless;
    lockless.failLock = ENOLCK;
    EXPECT_TRUE(carryOut({copyOp(from.path("b.mp3"), to.path("Album/b.mp3"))}, lockless).empty());
    for (const auto& t : temporaries)
        EXPECT_EQ(!std::filesystem::exists(to.path("Album/" + t.name)), t.swept) << t.name;
    EXPECT_EQ(to.read("Album/b.mp3"), "b");
}

TEST_F(ExecutorTest, ASourceNotAsCompareSawItIsNotCopied)
{
    // A tagger or a restore put another version in its place after Compare.
    const std::string source = from.file("a.mp3", "an old version", kOld);
    to.file("a.mp3", "the newer one", kNew);
    auto op = overwriteOp(source, to.path("a.mp3"));
    op.sourceSize = 14;
    op.seenSourceModified = kNew + 60;
    auto copy = copyOp(source, to.path("b.mp3"));
    copy.sourceSize = 99;
    const auto failures = carryOut({op, copy}, files);
    ASSERT_EQ(failures.size(), 2u);
    for (const auto& failure : failures)
        EXPECT_EQ(failure.reason, "the source changed since Compare, so nothing was copied");
    EXPECT_EQ(to.read("a.mp3"), "the newer one");
    EXPECT_FALSE(std::filesystem::exists(to.path("b.mp3")));
}

TEST_F(ExecutorTest, FoldersAreMadeAsMkdirMakesThemNeverAboveTheRoot)
{
    // A shared folder: its own mode and sticky bit are not the new folders'.
    to.folder("Shared");
    std::filesystem::permissions(to.path("Shared"), std::filesystem::perms(01777));
    from.file("a.mp3", "a");
    CarryOutControl control;
    control.createFolders = true;
    control.roots = {to.path("Shared/Player/"), from.root() + "/",
                     FolderIdentity{1, 1}, std::nullopt}; // the player's root is missing
    const auto missingRoot =
        carryOut({copyOp(from.path("a.mp3"), to.path("Shared/Player/New/a.mp3"))}, files, control);
    ASSERT_EQ(missingRoot.failures.size(), 1u);
    EXPECT_EQ(missingRoot.failures[0].reason, rootReplaced(to.path("Shared/Player/")));
    EXPECT_FALSE(std::filesystem::exists(to.path("Shared/Player")));

    const mode_t previous = ::umask(027);
    control.roots = {to.path("Shared/"), from.root() + "/", std::nullopt, std::nullopt};
    const auto made =
        carryOut({copyOp(from.path("a.mp3"), to.path("Shared/New/CD1/a.mp3"))}, files, control);
    ::umask(previous);
    EXPECT_TRUE(made.failures.empty()) << failureReport(made.failures);
    for (const char* folder : {"Shared/New", "Shared/New/CD1"})
        EXPECT_EQ(statOf(to.path(folder)).st_mode & 07777, 0750u) << folder;
}

TEST_F(ExecutorTest, DeviceThatKeepsNoTimesKeepsTheCopiesAndSaysSoOnce)
{
    FaultyFileOps player;
    player.failSetTimes = ENOTSUP;
    ResultStore plan;
    for (const char* name : {"a.mp3", "b.mp3"})
        plan.push_back(copyOp(from.file(name, name, kOld), to.path(name)));
    const auto run = carryOut(plan, player, {});
    EXPECT_TRUE(run.failures.empty()) << failureReport(run.failures);
    ASSERT_EQ(run.notes.size(), 1u);
    EXPECT_NE(run.notes[0].find("does not keep file times"), std::string::npos);
    EXPECT_EQ(to.read("a.mp3"), "a.mp3");
    EXPECT_EQ(to.read("b.mp3"), "b.mp3");
}

TEST_F(ExecutorTest, WhereTheNoReplaceRenameIsRefusedANameIsLookedUpFirst)
{
    FaultyFileOps fuse;
    fuse.refuseNoReplace = EINVAL;
    to.file("taken.mp3", "the player's own");
    const auto failures = carryOut({copyOp(from.file("taken.mp3", "new"), to.path("taken.mp3")),
                                    copyOp(from.file("free.mp3", "new"), to.path("free.mp3"))},
                                   fuse);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].targetPath, to.path("taken.mp3"));
    EXPECT_EQ(to.read("taken.mp3"), "the player's own");
    EXPECT_EQ(to.read("free.mp3"), "new");
}

TEST(FailureReport, NamesTheFirstTwentyThenCountsTheRest)
{
    std::vector<FailedOperation> failures;
    for (int i = 0; i < 25; ++i)
        failures.push_back({"/l/" + std::to_string(i), "/r/" + std::to_string(i),
                            "No space left on device (copying)"});
    const std::string text = failureReport(failures);
    EXPECT_NE(text.find("25 operations could not be carried out"), std::string::npos);
    EXPECT_NE(text.find("/l/19 -> /r/19: No space left on device (copying)"), std::string::npos);
    EXPECT_EQ(text.find("/l/20 "), std::string::npos);
    EXPECT_NE(text.find("... and 5 more."), std::string::npos);
}

} // namespace
} // namespace parlowen
