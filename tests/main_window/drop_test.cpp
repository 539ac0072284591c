// Dropped items as folders, the folder-part routine, and the check-mark click rule.
#include "main_window/drop.h"

#include "fakes/temp_tree.h"
#include "main_window/probes/path_probes.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

using testing::TempTree;

TEST(FolderPartOf, KeepsEverythingUpToTheLastSlash)
{
    EXPECT_EQ(OldMain::FolderPartOf("/music/a.mp3"), "/music/");
    EXPECT_EQ(OldMain::FolderPartOf("/a.mp3"), "/");
    EXPECT_EQ(OldMain::FolderPartOf("/music/"), "/music/");
    EXPECT_EQ(OldMain::FolderPartOf("a.mp3"), "");
    EXPECT_EQ(OldMain::FolderPartOf(""), "");
}

TEST(DroppedItem, FolderIsTakenAsItIs)
{
    TempTree tree;
    const std::string music = tree.folder("Music");
    EXPECT_EQ(folderForDroppedItem(music), music);
    EXPECT_EQ(folderForDroppedItem(music + "/"), music + "/");
    EXPECT_EQ(folderForDroppedItem(std::string("/")), "/");
}

TEST(DroppedItem, FileGivesTheFolderItLiesIn)
{
    TempTree tree;
    const std::string song = tree.file("Music/song.mp3", "x");
    EXPECT_EQ(folderForDroppedItem(song), tree.path("Music"));
    // A file in the root gives the root, which stays a usable folder.
    EXPECT_EQ(folderForDroppedItem(std::string("/song.mp3")), "/");
}

TEST(DroppedItem, ItemsWithoutAFolderPartFail)
{
    EXPECT_FALSE(folderForDroppedItem(std::nullopt)); // not a local path
    EXPECT_FALSE(folderForDroppedItem(std::string("song.mp3")));
}

std::vector<ResultRow> rows(std::initializer_list<const char*> names)
{
    std::vector<ResultRow> result;
    for (const char* name : names) {
        ResultRow row;
        row.relativeName = name;
        result.push_back(row);
    }
    return result;
}

TEST(CheckMarks, ClickingTheSameRowAgainDoesNothing)
{
    auto list = rows({"song.mp3", "other.mp3"});
    std::string last;
    toggleCheckMarks(list, {0}, "song.mp3", last);
    EXPECT_FALSE(list[0].checked);
    EXPECT_TRUE(list[1].checked);
    toggleCheckMarks(list, {0}, "song.mp3", last);
    EXPECT_FALSE(list[0].checked);
}

TEST(CheckMarks, ARowWhoseTextIsPartOfTheLastClickedOneDoesNothing)
{
    auto list = rows({"a.mp3", "aa.mp3"});
    std::string last;
    toggleCheckMarks(list, {0}, "a.mp3", last);
    toggleCheckMarks(list, {1}, "aa.mp3", last);
    EXPECT_FALSE(list[0].checked);
    EXPECT_FALSE(list[1].checked);
    toggleCheckMarks(list, {0}, "a.mp3", last); // "aa.mp3" contains "a.mp3"
    EXPECT_FALSE(list[0].checked);
    EXPECT_EQ(last, "aa.mp3");
}

TEST(CheckMarks, EverySelectedRowIsReversedAndNoSelectionChangesNothing)
{
    auto list = rows({"x", "y", "z"});
    list[1].checked = false;
    std::string last;
    toggleCheckMarks(list, {}, "x", last);
    EXPECT_EQ(last, "");
    toggleCheckMarks(list, {0, 1}, "x", last);
    EXPECT_FALSE(list[0].checked);
    EXPECT_TRUE(list[1].checked);
    EXPECT_TRUE(list[2].checked);
}

} // namespace
} // namespace parlowen
