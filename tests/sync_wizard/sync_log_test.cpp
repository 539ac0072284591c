// The Sync log: written as the run goes (a killed run keeps its lines), runs at once losing no
// line, rotation, a log behind a link, and a log that cannot be written.
#include "sync_wizard/sync_log.h"

#include "fakes/compare_tool.h"
#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace parlowen {
namespace {

using testing::CompareTool;
using testing::TempTree;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ResultStore copiesOf(const TempTree& from, const TempTree& to, const std::vector<std::string>& names)
{
    ResultStore plan;
    for (const auto& name : names)
        plan.push_back({.OpSourcePath = from.path(name), .OpTargetPath = to.path(name)});
    return plan;
}

TEST(SyncLog, HeaderALineAsEachOperationEndsAndAClosingLine)
{
    TempTree from;
    TempTree to;
    TempTree state;
    from.file("a.mp3", "a");
    from.file("new\nline.mp3", "n");
    auto plan = copiesOf(from, to, {"a.mp3", "gone.mp3", "new\nline.mp3"});
    PosixFileOps files;
    const auto run =
        carryOutAndLog(plan, files, {}, {"relative/left", "mtp://P/Internal storage/Music"},
                       state.path("parlowen/sync.log"));
    EXPECT_EQ(run.logFile, state.path("parlowen/sync.log"));
    const std::string log = state.read("parlowen/sync.log");
    const auto lines = linesOf(log);
    ASSERT_EQ(lines.size(), 5u) << log;
    const std::string absoluteLeft = std::filesystem::current_path().string() + "/relative/left";
    EXPECT_NE(lines[0].find(" · " + absoluteLeft + " & mtp://P/Internal storage/Music · chosen 3"),
              std::string::npos)
        << lines[0];
    // In the order they ended: a failure at once, copies once they are on the device.
    const std::string tag = lines[1].substr(0, lines[1].find('\t'));
    EXPECT_NE(lines[0].find(" · run " + tag + " · "), std::string::npos);
    for (const std::string& line :
         {"\tdone\t" + from.path("a.mp3") + "\t" + to.path("a.mp3"),
          "\tFAILED\t" + from.path("gone.mp3") + "\t" + to.path("gone.mp3") + "\t",
          "\tdone\t" + from.path("new\\nline.mp3") + "\t" + to.path("new\\nline.mp3")})
        EXPECT_NE(log.find("\n" + tag + line), std::string::npos) << line << "\n" << log;
    EXPECT_NE(lines[4].find("ended · done 2, failed 1 · "), std::string::npos) << lines[4];
}

TEST(SyncLog, ARunKilledHalfwayLeavesTheLinesOfWhatItDid)
{
    TempTree from;
    TempTree to;
    TempTree state;
    std::vector<std::string> names;
    const std::size_t batch = writeAheadFiles();
    for (std::size_t i = 0; i < batch + 44; ++i)
        names.push_back(from.file(std::to_string(i) + ".mp3", "x").substr(from.root().size() + 1));
    const auto plan = copiesOf(from, to, names);
    const pid_t child = ::fork();
    if (child == 0) {
        PosixFileOps files;
        CarryOutControl control;
        std::size_t ended = 0;
        control.ended = [&](std::size_t, const FailedOperation&) {
            if (++ended == batch + 14) // past the first batch of copies put on the device
                ::raise(SIGKILL);
        };
        carryOutAndLog(plan, files, control, {"/l", "/r"}, state.path("sync.log"));
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const auto lines = linesOf(state.read("sync.log"));
    ASSERT_EQ(lines.size(), batch + 1); // the header and the first batch, no closing line
    EXPECT_EQ(lines.back().find(" ended "), std::string::npos);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find("\tdone\t"), std::string::npos) << lines[i];
}

TEST(SyncLog, FourRunsAtOnceLoseNoLine)
{
    TempTree state;
    std::vector<std::unique_ptr<TempTree>> trees;
    std::vector<std::unique_ptr<CompareTool>> runs;
    for (int run = 0; run < 4; ++run) {
        auto& player = *trees.emplace_back(std::make_unique<TempTree>());
        auto& pc = *trees.emplace_back(std::make_unique<TempTree>());
        for (int i = 0; i < 60; ++i)
            pc.file("Album/" + std::to_string(i) + ".mp3", "song");
        player.folder("Album");
        runs.push_back(std::make_unique<CompareTool>(
            std::vector<std::string>{"--apply", player.root(), pc.root()}, state.root()));
    }
    for (auto& run : runs)
        EXPECT_EQ(run->status(), 0) << run->stderrText();
    int done = 0;
    int headers = 0;
    for (const auto& line : linesOf(state.read("parlowen/sync.log"))) {
        done += line.find("\tdone\t") != std::string::npos && line.ends_with(".mp3");
        headers += line.starts_with("== ") && line.find("chosen 60") != std::string::npos;
    }
    EXPECT_EQ(done, 240);
    EXPECT_EQ(headers, 4);
}

TEST(SyncLog, RotatedPastItsBoundAndWrittenThroughALink)
{
    TempTree state;
    const std::string real = state.path("kept/real.log");
    state.folder("kept");
    std::filesystem::create_symlink(real, state.path("sync.log"));
    std::string problem;
    for (int i = 0; i < 20; ++i) {
        auto log = RunLog::open(state.path("sync.log"), {"/l", "/r"}, 1, problem, 400);
        ASSERT_TRUE(log) << problem;
        log->ended(nullptr, {"/l/run" + std::to_string(i) + ".mp3", "/r/x.mp3", ""});
        EXPECT_EQ(log->close({}, {}, 0), "");
    }
    EXPECT_TRUE(std::filesystem::is_symlink(state.path("sync.log")));
    const std::string current = state.read("kept/real.log");
    const std::string older = state.read("kept/real.log.1");
    EXPECT_LE(current.size(), 400u + 200u); // rotated at a run's start once past the bound
    EXPECT_NE(current.find("run19.mp3"), std::string::npos);
    EXPECT_TRUE(older.starts_with("== "));
    EXPECT_EQ((current + older).find("run0.mp3"), std::string::npos); // one generation kept
}

TEST(SyncLog, ALogThatCannotBeWrittenIsANoteNotAFailure)
{
    TempTree from;
    TempTree to;
    const std::string source = from.file("a.mp3", "a");
    PosixFileOps files;
    const ResultStore plan = {{.OpSourcePath = source, .OpTargetPath = to.path("a.mp3")}};
    const auto run = carryOutAndLog(plan, files, {}, {"/l", "/r"},
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
