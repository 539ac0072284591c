// The last-modified probe and the text of a file time in the user's locale.
#include "compare/last_modified.h"

#include <ctime>
#include <sys/stat.h>

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
