// Temporary names and the names a FAT or exFAT player refuses.
#include "sync_wizard/player_names.h"

#include "compare/utf8.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

TEST(TemporaryName, IsAHiddenNameBesideTheTarget)
{
    EXPECT_EQ(temporaryNameFor("a.mp3"), ".a.mp3." + runMark() + ".parlowen-copy");
    EXPECT_TRUE(isTemporaryName(".a.mp3.parlowen-copy")); // left by a run before marks
    EXPECT_FALSE(isTemporaryName("a.mp3.parlowen-copy"));
    EXPECT_FALSE(isTemporaryName(".parlowen-copy"));
}

TEST(TemporaryName, CarriesItsRunsMarkAndOnlyAGoneLocalRunCountsAsOver)
{
    EXPECT_EQ(runMarkOf(temporaryNameFor("a.mp3")), runMark());
    EXPECT_EQ(runMarkOf(".a.mp3.parlowen-copy"), "");
    EXPECT_EQ(runMarkOf(".a.r12.mp3.parlowen-copy"), ""); // a name, not a mark
    const std::string host = runMark().substr(runMark().find('-'));
    EXPECT_FALSE(markedRunGone(runMark()));
    EXPECT_FALSE(markedRunGone("r1" + host)); // init never ends
    EXPECT_TRUE(markedRunGone("r2147483646" + host));
    EXPECT_FALSE(markedRunGone("r2147483646-00000000")); // another machine's
}

TEST(TemporaryName, LongNamesStayValidWholeCharactersAndUnique)
{
    for (const std::string unit : {"x", "\xC3\xA9", "\xE2\x99\xAB", "\xF0\x9F\x8E\xB5"}) {
        std::string longName;
        while (longName.size() + unit.size() <= 250)
            longName += unit;
        const std::string name = temporaryNameFor(longName);
        EXPECT_LE(name.size(), 255u) << unit;
        EXPECT_TRUE(isValidUtf8(name)) << unit;
        EXPECT_TRUE(fatNameProblem(name).empty()) << unit;
        EXPECT_TRUE(isTemporaryName(name)) << unit;
        EXPECT_NE(name, temporaryNameFor(longName.substr(unit.size()) + "y"));
    }
}

TEST(FatNames, RefusedCharactersAndEndingsAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"AC:DC.mp3", "the character ':'"},
        {"Why?.mp3", "the character '?'"},
        {"a\"b\".mp3", "the character '\"'"},
        {"a*.mp3", "the character '*'"},
        {"<a>.mp3", "the character '<'"},
        {"a|b.mp3", "the character '|'"},
        {"a\\b.mp3", "the character '\\'"},
        {"a\tb.mp3", "control characters"},
        {"Track 1.", "a name that ends with a dot"},
        {"Track 1 ", "a name that ends with a space"},
    };
    for (const auto& [name, words] : cases)
        EXPECT_NE(fatNameProblem(name).find(words), std::string::npos) << name;
    for (const char* fine : {"Song.mp3", "R\xC3\xA9sum\xC3\xA9 #1 (live) [2001].mp3", ".hidden"})
        EXPECT_EQ(fatNameProblem(fine), "") << fine;
}

} // namespace
} // namespace parlowen
