// The wizard's layout arithmetic and its refused steps.
#include "sync_wizard/form3_layout.h"
#include "fakes/twip_surface.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

using E = Form3Element;

TEST(Form3Layout, FillsTheWindow)
{
    TwipSurface<E> s;
    layOutForm3(s, 12000, 7800);
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 11600);
    EXPECT_EQ(s.get(E::ListView1, Edge::Height), 5900);
    for (E button : {E::Check1, E::Check2, E::Check4, E::Check5})
        EXPECT_EQ(s.get(button, Edge::Top), 6130);
    EXPECT_EQ(s.get(E::SourceColumn, Edge::Width), 4540);
    EXPECT_EQ(s.get(E::ActionColumn, Edge::Width), 2220);
    EXPECT_EQ(s.get(E::DestinationColumn, Edge::Width), 4540);
    EXPECT_EQ(s.get(E::Frame1, Edge::Top), 6003);
    EXPECT_EQ(s.get(E::Frame1, Edge::Width), 5340);
    EXPECT_EQ(s.get(E::Label1, Edge::Width), 4940);
}

TEST(Form3Layout, NarrowerThan6660KeepsTheFrameWidthWhileTheRestFollows)
{
    TwipSurface<E> s;
    layOutForm3(s, 12000, 7800);
    layOutForm3(s, 6000, 5000);
    EXPECT_EQ(s.get(E::Frame1, Edge::Width), 5340);
    EXPECT_EQ(s.get(E::Label1, Edge::Width), 4940);
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 5600);
    EXPECT_EQ(s.get(E::Check5, Edge::Top), 3330);
    EXPECT_EQ(s.get(E::Frame1, Edge::Top), 3203);
    EXPECT_EQ(s.get(E::SourceColumn, Edge::Width), 2140);
}

TEST(Form3Layout, TinyWindowRefusesNegativeSizesAndStillMovesButtons)
{
    TwipSurface<E> s;
    layOutForm3(s, 12000, 7800);
    layOutForm3(s, 300, 1000);
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 11600);   // W - 400 < 0: refused
    EXPECT_EQ(s.get(E::ListView1, Edge::Height), 5900);   // H - 1900 < 0: refused
    EXPECT_EQ(s.get(E::Check2, Edge::Top), -670);         // positions may be negative
    EXPECT_EQ(s.get(E::SourceColumn, Edge::Width), 4540); // from the kept list width
}

TEST(Form3Layout, VeryNarrowListRefusesNegativeColumnWidths)
{
    TwipSurface<E> s;
    layOutForm3(s, 12000, 7800);
    layOutForm3(s, 800, 7800); // list 400 wide: Action would be 400/5 - 100 < 0
    EXPECT_EQ(s.get(E::ListView1, Edge::Width), 400);
    EXPECT_EQ(s.get(E::SourceColumn, Edge::Width), 60);
    EXPECT_EQ(s.get(E::ActionColumn, Edge::Width), 2220);
}

} // namespace
} // namespace parlowen
