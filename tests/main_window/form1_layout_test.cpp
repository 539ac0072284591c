// The main window's layout arithmetic, its refused steps, column widths and start-up values.
#include "main_window/form1_layout.h"
#include "fakes/twip_surface.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

using E = Form1Element;

// The design's fixed coordinates, which the routine reads but never sets.
TwipSurface<E> designedSurface(bool roundToPixels = false)
{
    TwipSurface<E> s(roundToPixels);
    s.set(E::ListView1, Edge::Left, 120);
    s.set(E::Combo1, Edge::Left, 120);
    s.set(E::Combo1, Edge::Top, 360);
    s.set(E::Combo2, Edge::Top, 360);
    s.set(E::Check7, Edge::Left, 3240);
    s.set(E::Frame1, Edge::Left, 4810);
    return s;
}

TEST(Form1Layout, WorkedExample)
{
    auto s = designedSurface();
    layOutForm1(s, 12000, 7800);
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 5750);
    EXPECT_EQ(s.get(E::ListView2, Edge::Width), 5750);
    EXPECT_EQ(s.get(E::ListView1, Edge::Height), 5305);
    EXPECT_EQ(s.get(E::ListView2, Edge::Height), 5305);
    EXPECT_EQ(s.get(E::ListView2, Edge::Left), 6000);
    EXPECT_EQ(s.get(E::Label5, Edge::Left), 6000);
    EXPECT_EQ(s.get(E::Combo2, Edge::Left), 6000);
    for (E button : {E::Check1, E::Check2, E::Check7})
        EXPECT_EQ(s.get(button, Edge::Top), 6150);
    EXPECT_EQ(s.get(E::Frame1, Edge::Top), 6023);
    EXPECT_EQ(s.get(E::Frame1, Edge::Width), 6900);
    EXPECT_EQ(s.get(E::Combo1, Edge::Width), 5450);
    EXPECT_EQ(s.get(E::Combo2, Edge::Width), 5450);
    EXPECT_EQ(s.get(E::Image1, Edge::Left), 5600);
    EXPECT_EQ(s.get(E::Image2, Edge::Left), 11470);
    EXPECT_EQ(s.get(E::Image1, Edge::Top), 435);
    EXPECT_EQ(s.get(E::Image2, Edge::Top), 435);
    EXPECT_EQ(s.get(E::ListView1, Edge::Left), 120);
}

TEST(Form1Layout, NarrowerWindowMovesTheRightColumn)
{
    auto s = designedSurface();
    layOutForm1(s, 9840, 7800);
    EXPECT_EQ(s.get(E::ListView2, Edge::Left), 4920);
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 4670);
    EXPECT_EQ(s.get(E::ListView2, Edge::Width), 4670);
}

TEST(Form1Layout, LegendKeepsItsWidthBelowW5100WhileTheRestFollows)
{
    auto s = designedSurface();
    layOutForm1(s, 12000, 7800);
    layOutForm1(s, 5000, 7800);
    EXPECT_EQ(s.get(E::Frame1, Edge::Width), 6900);
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 2250);
    EXPECT_EQ(s.get(E::Combo1, Edge::Width), 1950);
    EXPECT_EQ(s.get(E::Image1, Edge::Left), 2100);
    EXPECT_EQ(s.get(E::ListView2, Edge::Left), 2500);
}

TEST(Form1Layout, LowWindowKeepsListHeightsButMovesButtonsUp)
{
    auto s = designedSurface();
    layOutForm1(s, 12000, 7800);
    layOutForm1(s, 12000, 2000);
    EXPECT_EQ(s.get(E::ListView1, Edge::Height), 5305);
    EXPECT_EQ(s.get(E::ListView2, Edge::Height), 5305);
    EXPECT_EQ(s.get(E::Check1, Edge::Top), 350);
    EXPECT_EQ(s.get(E::Frame1, Edge::Top), 223);
    // Negative positions are applied.
    layOutForm1(s, 12000, 1000);
    EXPECT_EQ(s.get(E::Check7, Edge::Top), -650);
}

TEST(Form1Layout, VeryNarrowWindowRefusesWidthsButStillPlacesTheRest)
{
    auto s = designedSurface();
    layOutForm1(s, 12000, 7800);
    layOutForm1(s, 400, 7800); // W/2 - 250 < 0: both list widths refused
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 5750);
    // Later steps read the kept width back.
    EXPECT_EQ(s.get(E::ListView2, Edge::Left), 6000);
    EXPECT_EQ(s.get(E::Combo1, Edge::Width), 5450);
}

TEST(Form1Layout, LaterStepsReadBackPixelRoundedValues)
{
    auto s = designedSurface(true);
    layOutForm1(s, 12015, 7800); // W / 2 - 250 = 5757.5 twips, 383.8 pixels
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 5760);
    EXPECT_EQ(s.get(E::ListView2, Edge::Left), 6015);
    EXPECT_EQ(s.get(E::Combo1, Edge::Width), 5460);
    EXPECT_EQ(s.get(E::Image2, Edge::Left), 5460 + 5460 + 570);
}

TEST(ResultColumnWidths, KeepTheirFractions)
{
    const auto widths = resultColumnWidths(4695);
    EXPECT_DOUBLE_EQ(widths[0], 3421.25);
    EXPECT_DOUBLE_EQ(widths[1], 1073.75);
    EXPECT_DOUBLE_EQ(widths[2], 1465);
    EXPECT_DOUBLE_EQ(widths[3], 2247.5);
}

TEST(StartupWindow, UsesStoredValuesWhenUsable)
{
    const auto stored = startupWindow("2", "9000");
    EXPECT_EQ(stored.state, WindowState::Maximized);
    EXPECT_EQ(stored.outerHeight, 9000);
    EXPECT_EQ(startupWindow("1", "7807.5").outerHeight, 7808);
}

TEST(StartupWindow, FallsBackForAbsentOrUnusableValues)
{
    for (const auto& [state, height] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"3", "abc"}, {"-1", "40000"}, {"x", "-500"}, {"1.9e3", "0"}}) {
        const auto stored = startupWindow(state, height);
        EXPECT_EQ(stored.state, WindowState::Normal) << state;
        EXPECT_FALSE(stored.outerHeight) << height;
    }
}

} // namespace
} // namespace parlowen
