// Reading and writing the numbers kept as text in the settings store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace parlowen {

// The text as a 16-bit signed whole number, rounded to the nearest (a half to the even
// neighbour); nothing when the text is not a number or the result does not fit 16 bits.
std::optional<std::int16_t> parseInt16(const std::string& text);

// The decimal text of a single-precision number, as short as it can be: 7800 gives "7800".
std::string singleText(double value);

} // namespace parlowen
