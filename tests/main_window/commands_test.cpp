// What the main window's commands decide, tested without the window.
#include "main_window/commands.h"

#include "fakes/temp_tree.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

TEST(FolderCheck, NamesEachSideThatCannotBeComparedAndWhy)
{
    testing::TempTree tree;
    const std::string folder = tree.folder("music");
    const std::string file = tree.file("a.mp3", "a");
    const std::string gone = tree.path("PLAYR");
    EXPECT_FALSE(folderCheck(folder, tree.root()));
    const std::string tail = "\n\nPlease make sure you have two valid folders selected.";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {folder, file, "The folder on the right, " + file + ", is not a folder." + tail},
        {gone, folder, "The folder on the left, " + gone + ", does not exist." + tail},
        {"", gone,
         "No folder is given on the left.\nThe folder on the right, " + gone +
             ", does not exist." + tail},
    };
    for (const auto& [left, right, text] : cases) {
        const auto refused = folderCheck(left, right);
        ASSERT_TRUE(refused) << left << " & " << right;
        EXPECT_EQ(refused->title, "Error");
        EXPECT_EQ(refused->text, text);
    }
}

TEST(SyncRefusal, WizardWithAPlanElseWhyNot)
{
    const ResultStore plan = {{"/l/a", "/r/", "/l/a", "/r/a", "", kCopiedTo, {}, {}, {}}};
    EXPECT_FALSE(syncRefusal(plan, 1, 0, "/l", "/r"));
    EXPECT_EQ(syncRefusal({}, 0, 3, "/l", "/r")->text,
              "Nothing to synchronize. You need to select two folders and generate results by "
              "clicking 'Compare'.");
    EXPECT_EQ(syncRefusal({}, 2, 2, "/l", "/r")->text,
              "No need to synchronize. /l & /r are identical.");
}

TEST(SyncEndMessage, CongratulatesOnlyWithoutFailures)
{
    const auto done = syncEndMessage({{}, false, 3, 3}, "/l", "/r");
    EXPECT_EQ(done.title, "Congratulations");
    EXPECT_EQ(done.text, "/l & /r have been synchronized.");
    const CarryOutResult full{{{"/l/a", "/r/a", "the device is full (copying)"}}, false, 1, 1};
    const auto failed = syncEndMessage(full, "/l", "/r");
    EXPECT_EQ(failed.title, "Error");
    EXPECT_NE(failed.text.find("/l/a -> /r/a: the device is full (copying)"), std::string::npos);
    const auto stopped = syncEndMessage({full.failures, true, 1234, 3204}, "/l", "/r");
    EXPECT_EQ(stopped.title, "Sync stopped");
    EXPECT_EQ(stopped.text.substr(0, 40), "Stopped after 1,234 of 3,204 operations.");
    EXPECT_NE(stopped.text.find("/l/a -> /r/a: the device is full"), std::string::npos);
    EXPECT_EQ(syncEndMessage({{}, true, 0, 2}, "/l", "/r").text,
              "Stopped after 0 of 2 operations.");
    EXPECT_EQ(syncEndMessage({{}, false, 1, 1, {"A note."}}, "/l", "/r").text,
              "/l & /r have been synchronized.\n\nA note.");
}

} // namespace
} // namespace parlowen
