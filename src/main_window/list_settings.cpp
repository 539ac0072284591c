// How the result lists' column widths and sort are kept.
#include "main_window/list_settings.h"

#include <charconv>

namespace parlowen {
namespace {

constexpr const char* kColumnNames[] = {"Filename", "Status", "Size", "LastModified"};

} // namespace

std::string columnWidthsText(const std::array<int, 4>& widths)
{
    std::string text;
    for (std::size_t i = 0; i < widths.size(); ++i)
        text += (i ? "," : "") + std::to_string(widths[i]);
    return text;
}

std::optional<std::array<int, 4>> parseColumnWidths(const std::string& text)
{
    std::array<int, 4> widths{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const auto [next, error] = std::from_chars(at, end, widths[i]);
        if (error != std::errc() || widths[i] <= 0 || widths[i] > 100'000)
            return std::nullopt;
        at = next;
        if (i + 1 < widths.size()) {
            if (at == end || *at != ',')
                return std::nullopt;
            ++at;
        }
    }
    return at == end ? std::optional(widths) : std::nullopt;
}

std::string sortText(const RowSort& sort)
{
    if (!sort.column)
        return {};
    return std::string(kColumnNames[static_cast<int>(*sort.column)]) +
           (sort.descending ? ",down" : ",up");
}

RowSort parseSort(const std::string& text)
{
    for (int column = 0; column < 4; ++column) {
        const std::string name = kColumnNames[column];
        if (text == name + ",up" || text == name + ",down")
            return {static_cast<SortColumn>(column), text.ends_with(",down")};
    }
    return {};
}

} // namespace parlowen
