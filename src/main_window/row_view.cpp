// Which rows a result list shows and in which order.
#include "main_window/row_view.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace parlowen {
namespace {

int statusRank(RowStatus status)
{
    switch (status) {
    case RowStatus::Newer:
        return 0;
    case RowStatus::Older:
        return 1;
    case RowStatus::NotFound:
        return 2;
    case RowStatus::None:
        return 3;
    case RowStatus::Ok:
        return 4;
    }
    return 3;
}

unsigned char folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// -1, 0 or 1 as text compares: capitals as small letters, then byte by byte.
int compareNames(const std::string& a, const std::string& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = folded(a[i]);
        const unsigned char y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return 0;
}

template <class T> int compareValues(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Rows without a value come first.
int compareOptional(bool hasA, std::int64_t a, bool hasB, std::int64_t b)
{
    if (hasA != hasB)
        return hasA ? 1 : -1;
    return compareValues(a, b);
}

int compareBy(SortColumn column, const ResultRow& a, const ResultRow& b)
{
    switch (column) {
    case SortColumn::Filename:
        return compareNames(a.relativeName, b.relativeName);
    case SortColumn::Status:
        return compareValues(statusRank(a.status), statusRank(b.status));
    case SortColumn::Size:
        return compareOptional(a.hasSize, a.size, b.hasSize, b.size);
    case SortColumn::LastModified:
        return compareOptional(a.hasModified, a.modified, b.hasModified, b.modified);
    }
    return 0;
}

} // namespace

RowSort nextSort(const RowSort& current, SortColumn clicked)
{
    if (current.column != clicked)
        return {clicked, false};
    if (!current.descending)
        return {clicked, true};
    return {};
}

bool shownBy(const ResultRow& row, RowFilter filter)
{
    switch (filter) {
    case RowFilter::All:
        return true;
    case RowFilter::Newer:
        return row.icon == RowIcon::Newer;
    case RowFilter::Older:
        return row.icon == RowIcon::Older;
    case RowFilter::NoMatch:
        return row.icon == RowIcon::NoMatch;
    case RowFilter::NotOk:
        return row.status != RowStatus::Ok;
    }
    return true;
}

std::vector<std::uint32_t> viewOrder(std::span<const ResultRow> rows, RowFilter filter,
                                     const RowSort& sort)
{
    std::vector<std::uint32_t> order;
    order.reserve(filter == RowFilter::All ? rows.size() : rows.size() / 8);
    for (std::uint32_t i = 0; i < rows.size(); ++i) {
        if (shownBy(rows[i], filter))
            order.push_back(i);
    }
    if (sort.column) {
        const SortColumn column = *sort.column;
        const bool descending = sort.descending;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int result = compareBy(column, rows[a], rows[b]);
            return descending ? result > 0 : result < 0;
        });
    }
    return order;
}

IconCounts iconCounts(const std::vector<ResultRow>& rows)
{
    IconCounts counts;
    for (const auto& row : rows) {
        counts.newer += row.icon == RowIcon::Newer;
        counts.older += row.icon == RowIcon::Older;
        counts.noMatch += row.icon == RowIcon::NoMatch;
    }
    return counts;
}

} // namespace parlowen
