// The folder history on real temporary folders, with boxes that re-enter their handlers.
#include "main_window/folder_history.h"

#include "fakes/fake_folder_box.h"
#include "fakes/memory_settings_store.h"
#include "fakes/temp_tree.h"
#include "main_window/settings_keys.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

using testing::FakeFolderBox;
using testing::TempTree;

std::vector<std::string> entries(std::initializer_list<const char*> list)
{
    return {list.begin(), list.end()};
}

// Two boxes wired to the history the way the main window wires its combo boxes.
class FolderHistoryTest : public ::testing::Test
{
protected:
    FolderHistoryTest()
    {
        left.onClick = [this] { Main::SaveSelections(boxes(), settings); };
        right.onClick = [this] { Main::SaveSelections(boxes(), settings); };
    }
    FolderBoxes boxes() { return {left, right}; }
    std::string stored(const char* key) const
    {
        return settings.read(keys::kApplication, keys::kHistorySection, key);
    }
    void store(const char* key, const std::string& value)
    {
        settings.write(keys::kApplication, keys::kHistorySection, key, value);
    }
    std::string position(const char* key) const
    {
        return settings.read(keys::kApplication, keys::kWindowSection, key);
    }
    void storePosition(const char* key, const std::string& value)
    {
        settings.write(keys::kApplication, keys::kWindowSection, key, value);
    }

    TempTree tree;
    MemorySettingsStore settings;
    FakeFolderBox left;
    FakeFolderBox right;
};

TEST(HistoryEntries, SplitsTheStoredText)
{
    EXPECT_TRUE(Main::historyEntries("").empty());
    EXPECT_EQ(Main::historyEntries("/music,/media/p,"), entries({"/music", "/media/p"}));
    // A "," inside a path splits it: no escaping.
    EXPECT_EQ(Main::historyEntries("/a,b,"), entries({"/a", "b"}));
}

TEST_F(FolderHistoryTest, TypingStoresNothingAndAFolderUsedIsKeptOnce)
{
    const std::string pc = tree.folder("Music/pc");
    left.type(pc);
    EXPECT_EQ(stored("LeftCombo"), "");
    Main::RememberFolder(left, "LeftCombo", left.text(), settings);
    EXPECT_EQ(stored("LeftCombo"), pc + ",");
    EXPECT_EQ(left.entries, entries({pc.c_str()}));
    EXPECT_EQ(left.text(), pc);
    EXPECT_EQ(position("LeftComboIndex"), "0");
    for (const std::string& again : {pc, pc + "/"}) {
        left.setText(again);
        Main::RememberFolder(left, "LeftCombo", left.text(), settings);
        EXPECT_EQ(stored("LeftCombo"), pc + ",") << again;
    }
    // A parent used on its own is a folder of its own, capitals counting.
    for (const std::string& used : {tree.path("Music"), tree.folder("music")}) {
        left.setText(used);
        Main::RememberFolder(left, "LeftCombo", left.text(), settings);
    }
    EXPECT_EQ(stored("LeftCombo"),
              pc + "," + tree.path("Music") + "," + tree.path("music") + ",");
}

TEST_F(FolderHistoryTest, NothingAndBareDrivesAreNeverKept)
{
    for (const std::string& text : {std::string(), std::string("E:")})
        Main::RememberFolder(left, "LeftCombo", text, settings);
    EXPECT_EQ(stored("LeftCombo"), "");
}

TEST_F(FolderHistoryTest, KeepingOneBoxsFolderLeavesTheOtherBoxAsItIs)
{
    const std::string a = tree.folder("a");
    const std::string b = tree.folder("b");
    store("RightCombo", a + ",");
    Main::LoadFolderHistory(boxes(), settings);
    right.setText(b); // typed, not yet used
    left.setText(a);
    Main::RememberFolder(left, "LeftCombo", left.text(), settings);
    EXPECT_EQ(right.text(), b);
    EXPECT_EQ(right.entries, entries({a.c_str()}));
    EXPECT_EQ(stored("RightCombo"), a + ",");
}

TEST_F(FolderHistoryTest, ChoosingAStoredEntryOnlySavesPositions)
{
    const std::string a = tree.folder("a");
    const std::string b = tree.folder("b");
    store("LeftCombo", a + "," + b + ",");
    Main::LoadFolderHistory(boxes(), settings);
    const int writes = settings.writeCount();
    left.select(0);
    EXPECT_EQ(stored("LeftCombo"), a + "," + b + ",");
    EXPECT_EQ(position("LeftComboIndex"), "0");
    EXPECT_EQ(settings.writeCount(), writes + 2);
}

TEST_F(FolderHistoryTest, AFolderWithACommaComesBackAsTwoEntries)
{
    const std::string odd = tree.folder("Rock, Pop");
    Main::RememberFolder(left, "LeftCombo", odd, settings);
    EXPECT_EQ(stored("LeftCombo"), odd + ",");
    FakeFolderBox freshLeft;
    FakeFolderBox freshRight;
    Main::LoadFolderHistory({freshLeft, freshRight}, settings);
    EXPECT_EQ(freshLeft.entries, entries({tree.path("Rock").c_str(), " Pop"}));
}

TEST_F(FolderHistoryTest, LoadAppendsWithoutEmptying)
{
    store("LeftCombo", "/x,/y,");
    left.addEntry("/before");
    Main::LoadFolderHistory(boxes(), settings);
    EXPECT_EQ(left.entries, entries({"/before", "/x", "/y"}));
    EXPECT_TRUE(right.entries.empty());
}

TEST_F(FolderHistoryTest, RestoreSelectsStoredPositionsAndKeepsThem)
{
    store("LeftCombo", "/x,/y,/z,");
    store("RightCombo", "/p,/q,");
    storePosition("LeftComboIndex", "2");
    storePosition("RightComboIndex", "0");
    Main::LoadFolderHistory(boxes(), settings);
    Main::RestoreSelections(boxes(), settings);
    EXPECT_EQ(left.text(), "/z");
    EXPECT_EQ(right.text(), "/p");
    EXPECT_EQ(position("LeftComboIndex"), "2");
    EXPECT_EQ(position("RightComboIndex"), "0");
}

TEST_F(FolderHistoryTest, RestoreWithAnEmptyBoxStillAppliesTheOther)
{
    store("RightCombo", "/p,/q,");
    storePosition("LeftComboIndex", "3");
    storePosition("RightComboIndex", "1");
    Main::LoadFolderHistory(boxes(), settings);
    Main::RestoreSelections(boxes(), settings);
    EXPECT_EQ(left.selectedPosition(), -1);
    EXPECT_EQ(right.text(), "/q");
    EXPECT_EQ(position("LeftComboIndex"), "-1");
    EXPECT_EQ(position("RightComboIndex"), "1");
}

TEST_F(FolderHistoryTest, RestoreIgnoresUnusablePositions)
{
    store("LeftCombo", "/x,/y,");
    store("RightCombo", "/p,/q,");
    for (const char* bad : {"", "abc", "5", "-7", "70000"}) {
        FakeFolderBox l;
        FakeFolderBox r;
        storePosition("LeftComboIndex", bad);
        storePosition("RightComboIndex", bad);
        Main::LoadFolderHistory({l, r}, settings);
        Main::RestoreSelections({l, r}, settings);
        EXPECT_EQ(l.selectedPosition(), -1) << bad;
        EXPECT_EQ(r.selectedPosition(), -1) << bad;
        EXPECT_EQ(l.text(), "") << bad;
    }
}

TEST_F(FolderHistoryTest, NothingStoredMeansNoSelectionAndNoWrites)
{
    Main::LoadFolderHistory(boxes(), settings);
    Main::RestoreSelections(boxes(), settings);
    EXPECT_EQ(left.count(), 0);
    EXPECT_EQ(right.count(), 0);
    EXPECT_EQ(settings.writeCount(), 0);
}

} // namespace
} // namespace parlowen
