// Cursor files (.cur): what the program needs of them beyond the picture.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace parlowen {

// The hot spot stored in a cursor file's header, or nothing when it is no cursor file.
std::optional<std::pair<int, int>> cursorHotSpot(const std::string& path);

} // namespace parlowen
