// The Sync log: what a run writes, the bound on its size, and a log that cannot be written.
#include "sync_wizard/sync_log.h"

#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

using testing::TempTree;

PlannedOperation op(const std::string& source, const std::string& target)
{
    PlannedOperation planned;
    planned.OpSourcePath = source;
    planned.OpTargetPath = target;
    planned.sourceSize = 1000;
    return planned;
}

TEST(SyncLog, AStoppedRunWithAFailureListsEveryOperation)
{
    TempTree folder;
    const ResultStore plan = {op("/l/a.mp3", "/r/a.mp3"), op("/l/b.mp3", "/r/b.mp3"),
                              op("/l/c.mp3", "/r/c.mp3")};
    CarryOutResult run{{{"/l/b.mp3", "/r/b.mp3", "the device is full (copying)"}}, true, 2, 3};
    run.done = {0};
    const std::string path = folder.path("state/parlowen/sync.log");
    ASSERT_EQ(appendRun(path, plan, run, {"/l", "/r", 0, 61.4}), "");
    const std::string log = folder.read("state/parlowen/sync.log");
    EXPECT_NE(log.find(" · /l & /r · chosen 3, done 1, failed 1, stopped · 1.0 kB in 61 s\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("done\t/l/a.mp3\t/r/a.mp3\n"), std::string::npos);
    EXPECT_NE(log.find("FAILED\t/l/b.mp3\t/r/b.mp3\tthe device is full (copying)\n"),
              std::string::npos);
    EXPECT_EQ(log.find("c.mp3"), std::string::npos); // never reached
}

TEST(SyncLog, KeptUnderItsBoundByDroppingTheOldestRuns)
{
    TempTree folder;
    const std::string path = folder.path("sync.log");
    for (int i = 0; i < 40; ++i) {
        const ResultStore plan = {op("/l/run" + std::to_string(i) + ".mp3", "/r/x.mp3")};
        CarryOutResult run{{}, false, 1, 1};
        run.done = {0};
        ASSERT_EQ(appendRun(path, plan, run, {"/l", "/r"}, 1000), "");
    }
    const std::string log = folder.read("sync.log");
    EXPECT_LE(log.size(), 1000u);
    EXPECT_TRUE(log.starts_with("== ")); // whole runs only
    EXPECT_NE(log.find("run39.mp3"), std::string::npos);
    EXPECT_EQ(log.find("run0.mp3"), std::string::npos);
}

TEST(SyncLog, ALogThatCannotBeWrittenIsANoteNotAFailure)
{
    TempTree from;
    TempTree to;
    const std::string source = from.file("a.mp3", "a");
    PosixFileOps files;
    const auto run = carryOutAndLog({op(source, to.path("a.mp3"))}, files, {}, {"/l", "/r"},
                                    from.path("a.mp3/sync.log")); // a file where a folder goes
    EXPECT_TRUE(run.failures.empty());
    EXPECT_EQ(to.read("a.mp3"), "a");
    EXPECT_TRUE(run.logFile.empty());
    ASSERT_EQ(run.notes.size(), 1u);
    EXPECT_TRUE(run.notes[0].starts_with("The log " + from.path("a.mp3/sync.log") +
                                         " could not be written"));
}

} // namespace
} // namespace parlowen
