// The UTF-8 check the JSON reader and the PDF writer share: where a well-formed sequence stands, and
// where none does.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "TextSupport.h"

namespace
{
using indesignhost::Utf8SequenceLength;

TEST(TextSupportTest, TellsTheLengthOfAWellFormedSequenceAndNoneOfAMalformedOne)
{
    struct Case
    {
        char const* what;
        std::string text;
        std::size_t at;
        std::size_t length;
    };
    Case const cases[] = {
        {"ASCII", "a", 0, 1},
        {"two bytes (e acute)", "x\xC3\xA9y", 1, 2},
        {"three bytes (euro sign)", "\xE2\x82\xAC", 0, 3},
        {"four bytes, the last scalar value", "\xF4\x8F\xBF\xBF", 0, 4},
        {"overlong two bytes", "\xC0\x80", 0, 0},
        {"overlong three bytes", "\xE0\x80\xAF", 0, 0},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", 0, 0},
        {"a high surrogate", "\xED\xA0\x80", 0, 0},
        {"a low surrogate", "\xED\xBF\xBF", 0, 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 0, 0},
        {"a continuation byte alone", "\x80", 0, 0},
        {"a lead byte of five", "\xF8\x88\x80\x80\x80", 0, 0},
        {"cut short by the text's end", "ab\xE2\x82", 2, 0},
        {"cut short by an ASCII byte", "\xE2\x82z", 0, 0},
        {"past the end", "ab", 2, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.length, Utf8SequenceLength(c.text, c.at));
    }
}
} // namespace
