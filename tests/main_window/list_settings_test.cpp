// The result lists' widths and sort as the settings keep them.
#include "main_window/list_settings.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

TEST(ListSettings, WidthsAndSortsComeBackAndAnythingElseIsIgnored)
{
    EXPECT_EQ(parseColumnWidths(columnWidthsText({310, 95, 120, 160})),
              (std::array<int, 4>{310, 95, 120, 160}));
    for (const char* broken : {"", "1,2,3", "1,2,3,4,5", "1,2,-3,4", "1,2,x,4", "1,2,3,4,"})
        EXPECT_FALSE(parseColumnWidths(broken)) << broken;
    for (const RowSort& sort : {RowSort{}, RowSort{SortColumn::Size, true},
                                RowSort{SortColumn::Filename, false}})
        EXPECT_EQ(parseSort(sortText(sort)), sort);
    EXPECT_EQ(parseSort("Size,sideways"), RowSort{});
}

} // namespace
} // namespace parlowen
