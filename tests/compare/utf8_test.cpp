// Which names are valid UTF-8, and how invalid ones are shown.
#include "compare/utf8.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

struct Utf8Case
{
    const char* what;
    std::string bytes;
    bool valid;
};

class Utf8Validation : public ::testing::TestWithParam<Utf8Case>
{
};

TEST_P(Utf8Validation, AcceptsOnlyWellFormedSequences)
{
    EXPECT_EQ(isValidUtf8(GetParam().bytes), GetParam().valid) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Validation,
                         ::testing::Values(Utf8Case{"ascii", "Song.mp3", true},
                                           Utf8Case{"two bytes", "R\xC3\xA9sum\xC3\xA9", true},
                                           Utf8Case{"three bytes", "\xE2\x99\xAB", true},
                                           Utf8Case{"four bytes", "\xF0\x9F\x8E\xB5", true},
                                           Utf8Case{"last code point", "\xF4\x8F\xBF\xBF", true},
                                           Utf8Case{"latin-1", "Caf\xE9", false},
                                           Utf8Case{"overlong slash", "\xC0\xAF", false},
                                           Utf8Case{"overlong three bytes", "\xE0\x80\xAF", false},
                                           Utf8Case{"overlong four bytes", "\xF0\x80\x80\xAF",
                                                    false},
                                           Utf8Case{"high surrogate", "\xED\xA0\x80", false},
                                           Utf8Case{"low surrogate", "\xED\xBF\xBF", false},
                                           Utf8Case{"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
                                           Utf8Case{"truncated two bytes", "a\xC3", false},
                                           Utf8Case{"truncated four bytes", "\xF0\x9F\x8E", false},
                                           Utf8Case{"lone continuation", "a\x80z", false}),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(Utf8Display, EachInvalidSequenceBecomesOneReplacementCharacter)
{
    EXPECT_EQ(displayUtf8("Caf\xE9.mp3"), "Caf\xEF\xBF\xBD.mp3");
    EXPECT_EQ(displayUtf8("R\xC3\xA9sum\xC3\xA9"), "R\xC3\xA9sum\xC3\xA9");
}

} // namespace
} // namespace parlowen
