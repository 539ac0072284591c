// The time probe and the texts of file times.
#include "compare/last_modified.h"

#include "fakes/temp_tree.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

// Pins the time zone for the test and restores it after.
class InTimeZone
{
public:
    explicit InTimeZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~InTimeZone()
    {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

constexpr std::int64_t k2000 = 946'684'800; // 2000-01-01 00:00:00 UTC

TEST(LastModified, TextLeavesOutTheTimeAtLocalMidnight)
{
    InTimeZone utc("UTC");
    EXPECT_EQ(LastModified::timeText(k2000), "01/01/00");
    EXPECT_EQ(LastModified::timeText(k2000 + 1), "01/01/00 00:00:01");
    EXPECT_EQ(LastModified::timeText(k2000 + 13 * 3600 + 5 * 60 + 9), "01/01/00 13:05:09");
}

TEST(LastModified, MidnightIsLocalMidnight)
{
    InTimeZone berlin("CET-1");
    EXPECT_EQ(LastModified::timeText(k2000), "01/01/00 01:00:00");
    EXPECT_EQ(LastModified::timeText(k2000 - 3600), "01/01/00");
}

TEST(LastModified, ProbesARealFileAndGivesEmptyForAMissingOne)
{
    InTimeZone utc("UTC");
    testing::TempTree tree;
    tree.file("midnight.mp3", "x", k2000);
    EXPECT_EQ(LastModified::LastModifiedText(tree.path("midnight.mp3")), "01/01/00");
    EXPECT_EQ(LastModified::lastModifiedTime(tree.path("midnight.mp3")), k2000);
    EXPECT_EQ(LastModified::LastModifiedText(tree.path("missing.mp3")), "");
    // The name is looked up exactly: no wildcards.
    EXPECT_EQ(LastModified::LastModifiedText(tree.path("*.mp3")), "");
    EXPECT_EQ(LastModified::LastModifiedText(tree.path("midnight.mp?")), "");
}

TEST(FileTimeToDate, CountsDaysFrom1899)
{
    InTimeZone utc("UTC");
    EXPECT_DOUBLE_EQ(LastModified::FileTimeToDate(0), -109'205.0);
    EXPECT_DOUBLE_EQ(LastModified::FileTimeToDate(125'911'584'000'000'000LL), 36'526.0);
    EXPECT_DOUBLE_EQ(LastModified::FileTimeToDate(125'911'584'000'000'000LL + 432'000'000'000LL),
                     36'526.5);
}

} // namespace
} // namespace parlowen

namespace parlowen {
namespace {

TEST(TimeTexts, SayWhatTimeTextSaysAcrossOffsetChanges)
{
    // Zones with summer time, a half-hour change (Lord Howe), a non-hour offset (St John's),
    // and times around their changes, at midnight, and spread over decades.
    for (const char* zone : {"UTC0", "Europe/Berlin", "Australia/Lord_Howe", "America/St_Johns"}) {
        const InTimeZone pinned(zone);
        LastModified::TimeTexts texts;
        std::vector<std::int64_t> times = {0, 1'711'846'800 - 1, 1'711'846'800, 1'711'846'800 + 1,
                                           1'729'990'800 - 1, 1'729'990'800, -86'400 * 400};
        std::uint64_t state = 12345;
        for (int i = 0; i < 3000; ++i) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            times.push_back(800'000'000 + static_cast<std::int64_t>(state >> 35));
        }
        for (const std::int64_t t : times) {
            const std::time_t time = static_cast<std::time_t>(t);
            std::tm local{};
            localtime_r(&time, &local);
            const std::int64_t midnight = t - local.tm_hour * 3600 - local.tm_min * 60 - local.tm_sec;
            for (const std::int64_t each : {t, midnight})
                ASSERT_EQ(texts.text(each), LastModified::timeText(each)) << zone << " " << each;
        }
    }
}

} // namespace
} // namespace parlowen
