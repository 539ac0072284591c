// Numbers read from and written to the settings store.
#include "main_window/stored_numbers.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

TEST(ParseInt16, ReadsWholeNumbersAndRoundsHalvesToEven)
{
    EXPECT_EQ(parseInt16("7800"), 7800);
    EXPECT_EQ(parseInt16("-1"), -1);
    EXPECT_EQ(parseInt16(" 2 "), 2);
    EXPECT_EQ(parseInt16("7807.5"), 7808);
    EXPECT_EQ(parseInt16("2.5"), 2);
    EXPECT_EQ(parseInt16("3.5"), 4);
    EXPECT_EQ(parseInt16("32767"), 32767);
    EXPECT_EQ(parseInt16("-32768"), -32768);
}

TEST(ParseInt16, RejectsWhatIsNoNumberOrDoesNotFit)
{
    EXPECT_FALSE(parseInt16(""));
    EXPECT_FALSE(parseInt16("abc"));
    EXPECT_FALSE(parseInt16("12abc"));
    EXPECT_FALSE(parseInt16("32768"));
    EXPECT_FALSE(parseInt16("-32769"));
    EXPECT_FALSE(parseInt16("1e9"));
    EXPECT_FALSE(parseInt16("nan"));
}

TEST(SingleText, WritesTheShortestDecimal)
{
    EXPECT_EQ(singleText(7800), "7800");
    EXPECT_EQ(singleText(7807.5), "7807.5");
    EXPECT_EQ(parseInt16(singleText(12345)), 12345);
}

} // namespace
} // namespace parlowen
