// The last-modified probe and the text of a file time in the user's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace parlowen::LastModified {

// The local date and time of a time in seconds since the epoch, in the locale's date and time
// forms; the time is left out at exactly local midnight.
std::string timeText(std::int64_t seconds);

// The texts of many times, each the same as timeText's, faster: each day's date text is made
// once, and the time of day is put into the locale's form digit by digit where that form has
// two-digit hours, minutes and seconds. One per thread.
class TimeTexts
{
public:
    TimeTexts();
    const std::string& text(std::int64_t seconds);

private:
    // The local offset at a time, from spans of time with one offset each, so that the C
    // library (which serialises its time-zone work) is asked once a span, not once a time.
    bool offsetAt(std::int64_t seconds, long& offset);

    struct OffsetSpan
    {
        std::int64_t from; // the span holds [from, to)
        std::int64_t to;
        long offset;
    };
    std::vector<OffsetSpan> m_spans; // sorted, apart
    std::string m_clock;                 // the form of the time of day, at 21:43:58
    std::size_t m_digits[3] = {0, 0, 0}; // where its hours, minutes and seconds are
    bool m_clockKnown = false;
    std::unordered_map<std::int64_t, std::string> m_dates; // by local day since the epoch
    std::string m_text;
};

// The last-write time of the file in whole seconds, or nothing when it is not found.
std::optional<std::int64_t> lastModifiedTime(const std::string& path);

// The text of the file's last-write time, or "" when it is not found.
std::string LastModifiedText(const std::string& path);

// A file time (100 ns ticks since 1601-01-01 UTC) as a date value in local time: days since
// 1899-12-30, the fraction the time of day.
double FileTimeToDate(std::int64_t fileTime);

} // namespace parlowen::LastModified
