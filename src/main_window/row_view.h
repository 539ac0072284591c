// Which rows a result list shows and in which order: filters by status picture, sorting by a
// column, and the counts the legend shows. The rows themselves never move.
#pragma once

#include "compare/result_row.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace parlowen {

enum class RowFilter
{
    All,
    Newer,   // rows with the "newer" picture
    Older,   // rows with the "older" picture
    NoMatch, // rows with the "no match" picture
    NotOk    // every row that is not "OK"
};

enum class SortColumn
{
    Filename,
    Status,
    Size,
    LastModified
};

// No column: the scan's order.
struct RowSort
{
    std::optional<SortColumn> column;
    bool descending = false;
    bool operator==(const RowSort&) const = default;
};

// A header click: a new column sorts up, the same column again sorts down, a third time gives
// back the scan's order.
RowSort nextSort(const RowSort& current, SortColumn clicked);

bool shownBy(const ResultRow& row, RowFilter filter);

// The positions of the rows shown, in the order shown; rows that compare equal keep the
// scan's order. Names sort as text (capitals as small letters), sizes and times as numbers
// (rows without one first), statuses as Newer, Older, Not found, empty, OK.
std::vector<std::uint32_t> viewOrder(std::span<const ResultRow> rows, RowFilter filter,
                                     const RowSort& sort);

struct IconCounts
{
    std::size_t newer = 0;
    std::size_t older = 0;
    std::size_t noMatch = 0;
};

IconCounts iconCounts(const std::vector<ResultRow>& rows);

} // namespace parlowen
