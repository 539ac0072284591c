// How the result lists' column widths and sort are kept in the settings store, so a widened
// column and a chosen sort come back at the next Compare and the next start.
#pragma once

#include "main_window/row_view.h"

#include <array>
#include <optional>
#include <string>

namespace parlowen {

// "310,95,120,160": the four columns' widths in pixels.
std::string columnWidthsText(const std::array<int, 4>& widths);
// The widths of such a text; none for a text that is not four positive widths.
std::optional<std::array<int, 4>> parseColumnWidths(const std::string& text);

// "Size,down", or "" for the scan's order.
std::string sortText(const RowSort& sort);
// The sort of such a text; the scan's order for anything else.
RowSort parseSort(const std::string& text);

} // namespace parlowen
