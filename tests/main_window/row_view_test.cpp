// Sorting rows by time and size, where some rows have none, and ties that keep the scan's order.
#include "main_window/row_view.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

ResultRow row(const char* name, std::optional<std::int64_t> size, std::optional<std::int64_t> time)
{
    ResultRow r;
    r.relativeName = name;
    r.hasSize = size.has_value();
    r.size = size.value_or(0);
    r.hasModified = time.has_value();
    r.modified = time.value_or(0);
    return r;
}

TEST(RowView, RowsWithoutAValueComeFirstAndTiesKeepTheScansOrder)
{
    const std::vector<ResultRow> rows = {row("a", 300, 20), row("b", std::nullopt, 10),
                                         row("c", 300, std::nullopt), row("d", 5, 20)};
    const std::pair<RowSort, std::vector<std::uint32_t>> cases[] = {
        {{SortColumn::Size, false}, {1, 3, 0, 2}},
        {{SortColumn::Size, true}, {0, 2, 3, 1}},
        {{SortColumn::LastModified, false}, {2, 1, 0, 3}},
        {{SortColumn::LastModified, true}, {0, 3, 1, 2}},
        {{}, {0, 1, 2, 3}},
    };
    for (const auto& [sort, expected] : cases)
        EXPECT_EQ(viewOrder(rows, RowFilter::All, sort), expected);
}

} // namespace
} // namespace parlowen
