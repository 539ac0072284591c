// The last-modified probe and the text of a file time in the user's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace parlowen::LastModified {

// The local date and time of a time in seconds since the epoch, in the locale's date and time
// forms; the time is left out at exactly local midnight.
std::string timeText(std::int64_t seconds);

// The last-write time of the file in whole seconds, or nothing when it is not found.
std::optional<std::int64_t> lastModifiedTime(const std::string& path);

// The text of the file's last-write time, or "" when it is not found.
std::string LastModifiedText(const std::string& path);

// A file time (100 ns ticks since 1601-01-01 UTC) as a date value in local time: days since
// 1899-12-30, the fraction the time of day.
double FileTimeToDate(std::int64_t fileTime);

} // namespace parlowen::LastModified
