// The last-modified probe and the text of a file time in the user's locale.
#include "compare/last_modified.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace parlowen::LastModified {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

} // namespace

std::string timeText(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local))
        return {};
    const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
    char buffer[128];
    const std::size_t length =
        std::strftime(buffer, sizeof buffer, midnight ? "%x" : "%x %X", &local);
    return std::string(buffer, length);
}

namespace {

std::string formatted(const char* form, const std::tm& moment)
{
    char buffer[128];
    return std::string(buffer, std::strftime(buffer, sizeof buffer, form, &moment));
}

} // namespace

TimeTexts::TimeTexts()
{
    std::tm a{};
    a.tm_hour = 21;
    a.tm_min = 43;
    a.tm_sec = 58;
    std::tm b{};
    b.tm_hour = 10;
    b.tm_min = 20;
    b.tm_sec = 30;
    m_clock = formatted("%X", a);
    const std::string other = formatted("%X", b);
    std::vector<std::size_t> differ;
    for (std::size_t i = 0; i < m_clock.size() && m_clock.size() == other.size(); ++i) {
        if (m_clock[i] != other[i])
            differ.push_back(i);
    }
    // Exactly three pairs of digits where the two differ: 21 43 58 against 10 20 30.
    const char* pairs[] = {"21", "43", "58"};
    const char* otherPairs[] = {"10", "20", "30"};
    if (differ.size() < 3 || differ.size() > 6)
        return;
    std::size_t found = 0;
    for (std::size_t i = 0; i + 1 < m_clock.size() && found < 3; ++i) {
        if (m_clock.compare(i, 2, pairs[found]) == 0 &&
            other.compare(i, 2, otherPairs[found]) == 0)
            m_digits[found++] = i++;
    }
    m_clockKnown = found == 3;
}

bool TimeTexts::offsetAt(std::int64_t seconds, long& offset)
{
    const auto after = std::upper_bound(
        m_spans.begin(), m_spans.end(), seconds,
        [](std::int64_t t, const OffsetSpan& span) { return t < span.from; });
    if (after != m_spans.begin() && std::prev(after)->to > seconds) {
        offset = std::prev(after)->offset;
        return true;
    }
    const auto offsetOf = [](std::int64_t t, long& found) {
        const std::time_t time = static_cast<std::time_t>(t);
        std::tm local{};
        if (!localtime_r(&time, &local))
            return false;
        found = local.tm_gmtoff;
        return true;
    };
    if (!offsetOf(seconds, offset))
        return false;
    // Out in steps of a week (no offset has lasted less) up to a year either way; a change of
    // offset is then pinned to the second.
    constexpr std::int64_t kStep = 7 * 86'400;
    constexpr int kSteps = 53;
    const auto edge = [&](std::int64_t direction) {
        std::int64_t inside = seconds;
        for (int i = 0; i < kSteps; ++i) {
            const std::int64_t probe = inside + direction * kStep;
            long there = 0;
            if (!offsetOf(probe, there))
                return inside;
            if (there != offset) {
                std::int64_t outside = probe;
                while ((outside - inside) * direction > 1) {
                    const std::int64_t middle = inside + (outside - inside) / 2;
                    long atMiddle = 0;
                    offsetOf(middle, atMiddle);
                    (atMiddle == offset ? inside : outside) = middle;
                }
                return inside;
            }
            inside = probe;
        }
        return inside;
    };
    OffsetSpan span{edge(-1), edge(+1) + 1, offset};
    // Never overlapping a known span (the probes of two spans may meet).
    if (after != m_spans.end())
        span.to = std::min(span.to, after->from);
    if (after != m_spans.begin())
        span.from = std::max(span.from, std::prev(after)->to);
    m_spans.insert(after, span);
    return true;
}

const std::string& TimeTexts::text(std::int64_t seconds)
{
    long offset = 0;
    if (!m_clockKnown || !offsetAt(seconds, offset)) {
        m_text = timeText(seconds);
        return m_text;
    }
    const std::int64_t local = seconds + offset;
    const std::int64_t day = local >= 0 ? local / 86'400 : -((-local + 86'399) / 86'400);
    const int within = static_cast<int>(local - day * 86'400);
    auto [date, added] = m_dates.try_emplace(day);
    if (added) {
        const std::time_t time = static_cast<std::time_t>(seconds);
        std::tm moment{};
        localtime_r(&time, &moment);
        date->second = formatted("%x", moment);
    }
    m_text = date->second;
    if (within == 0)
        return m_text; // local midnight shows the date alone
    m_text += ' ';
    const std::size_t clock = m_text.size();
    m_text += m_clock;
    const int parts[] = {within / 3600, within / 60 % 60, within % 60};
    for (int i = 0; i < 3; ++i) {
        m_text[clock + m_digits[i]] = static_cast<char>('0' + parts[i] / 10);
        m_text[clock + m_digits[i] + 1] = static_cast<char>('0' + parts[i] % 10);
    }
    return m_text;
}

std::optional<std::int64_t> lastModifiedTime(const std::string& path)
{
    struct stat info = {};
    if (path.find('\0') != std::string::npos || ::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_mtime);
}

std::string LastModifiedText(const std::string& path)
{
    const auto time = lastModifiedTime(path);
    return time ? timeText(*time) : std::string();
}

double FileTimeToDate(std::int64_t fileTime)
{
    // Local time of the UTC instant: the offset is the one in force at that instant.
    const std::int64_t unixSeconds = fileTime / kTicksPerSecond - kSecondsFrom1601To1970;
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!localtime_r(&time, &local))
        return 0.0;
    const double localTicks =
        static_cast<double>(fileTime) + static_cast<double>(local.tm_gmtoff) * kTicksPerSecond;
    return localTicks / 10'000.0 / 86'400'000.0 - 109'205.0;
}

} // namespace parlowen::LastModified
