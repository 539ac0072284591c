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
