// Checking and showing names that are byte strings which may not be valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace parlowen {

bool isValidUtf8(std::string_view bytes);

// The bytes as UTF-8 text, each invalid sequence shown as U+FFFD.
std::string displayUtf8(std::string_view bytes);

// The name with its capitals made small, as a FAT or exFAT player tells names apart: Latin
// (with its accented letters), Greek and Cyrillic; other bytes are kept as they are.
std::string foldCase(std::string_view name);

} // namespace parlowen
