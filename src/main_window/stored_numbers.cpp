// Reading and writing the numbers kept as text in the settings store.
#include "main_window/stored_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace parlowen {
namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::optional<std::int16_t> parseInt16(const std::string& text)
{
    const std::string number = trimmed(text);
    if (number.empty())
        return std::nullopt;
    double value = 0;
    const char* begin = number.data();
    const char* end = begin + number.size();
    if (*begin == '+')
        ++begin;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode: half to even
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::string singleText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    return std::string(buffer, result.ptr);
}

} // namespace parlowen
