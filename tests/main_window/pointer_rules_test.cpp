// The pointer tables of both windows, with the cursor files present, missing, or added later.
#include "main_window/pointer_rules.h"
#include "platform/cursor_file.h"

#include "fakes/temp_tree.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace parlowen {
namespace {

using testing::TempTree;

class PointerRulesTest : public ::testing::Test
{
protected:
    void install(const char* name) const
    {
        std::filesystem::copy_file(std::string(PARLOWEN_CURSOR_DIR) + "/" + name,
                                   folder.path(name));
    }
    void move(Form1Part part, bool listHasRows = false)
    {
        pointerMoveOnForm1(pointer, part, listHasRows, folder.root());
    }
    std::string hand() const { return folder.path(kHandCursor); }
    std::string drop() const { return folder.path(kDropCursor); }

    TempTree folder;
    PointerState pointer;
};

TEST_F(PointerRulesTest, BothFilesPresent)
{
    install(kHandCursor);
    install(kDropCursor);
    move(Form1Part::Button);
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    EXPECT_EQ(pointer.customImage, hand());
    move(Form1Part::ResultList, false);
    EXPECT_EQ(pointer.customImage, drop());
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    move(Form1Part::BrowsePicture);
    EXPECT_EQ(pointer.customImage, hand());
    move(Form1Part::NoRule); // a folder box keeps the hand
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    EXPECT_EQ(pointer.customImage, hand());
    move(Form1Part::ResultList, true); // a filled list shows the arrow
    EXPECT_EQ(pointer.mode, PointerMode::Arrow);
    EXPECT_EQ(pointer.customImage, hand());
    move(Form1Part::Button);
    move(Form1Part::Background);
    EXPECT_EQ(pointer.mode, PointerMode::Arrow);
}

TEST_F(PointerRulesTest, BothFilesMissing)
{
    move(Form1Part::Button);
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    EXPECT_EQ(pointer.customImage, "");
    move(Form1Part::ResultList, false);
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    EXPECT_EQ(pointer.customImage, "");
}

TEST_F(PointerRulesTest, OnlyTheDropCursorPresentShowsItOnButtonsOnceLoaded)
{
    install(kDropCursor);
    move(Form1Part::Button);
    EXPECT_EQ(pointer.customImage, "");
    move(Form1Part::ResultList, false);
    EXPECT_EQ(pointer.customImage, drop());
    move(Form1Part::Button);
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    EXPECT_EQ(pointer.customImage, drop());
}

TEST_F(PointerRulesTest, AFileAddedWhileRunningIsUsedFromTheNextMove)
{
    move(Form1Part::Button);
    EXPECT_EQ(pointer.customImage, "");
    install(kHandCursor);
    move(Form1Part::Button);
    EXPECT_EQ(pointer.customImage, hand());
}

TEST(PointerRulesForm3, ButtonsShowTheCustomImageAndTheBackgroundTheArrow)
{
    PointerState pointer;
    pointerMoveOnForm3(pointer, Form3Part::Button);
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    pointerMoveOnForm3(pointer, Form3Part::NoRule); // the operations list keeps the hand
    EXPECT_EQ(pointer.mode, PointerMode::Custom);
    pointerMoveOnForm3(pointer, Form3Part::Background);
    EXPECT_EQ(pointer.mode, PointerMode::Arrow);
}

TEST(CursorHotSpot, ReadsTheBuiltCursorsAndRejectsOtherFiles)
{
    const std::string dir = PARLOWEN_CURSOR_DIR;
    EXPECT_EQ(cursorHotSpot(dir + "/" + kHandCursor), (std::pair{6, 0}));
    EXPECT_EQ(cursorHotSpot(dir + "/" + kDropCursor), (std::pair{0, 0}));
    TempTree tree;
    EXPECT_FALSE(cursorHotSpot(tree.file("x.cur", "not a cursor at all")));
    EXPECT_FALSE(cursorHotSpot(tree.path("missing.cur")));
}

} // namespace
} // namespace parlowen
