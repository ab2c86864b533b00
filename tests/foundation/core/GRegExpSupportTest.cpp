// Regular expressions over buffers and strings: whole and partial matches, replacement, capture
// groups, zero bytes, UTF-8 text and rejected patterns.
#include "GRegExpSupport.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BufferText.h"

#include "GBuffer.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

namespace
{
using testsupport::BufferOf;
using testsupport::TextOf;

GString Utf8String(char const* text)
{
    return GString(text, GUTF8Encoding::GetInstance(), false);
}

std::string Utf8(GString const& text)
{
    return TextOf(text.GetBuffer(GUTF8Encoding::GetInstance()));
}

std::vector<std::string> Groups(GTable<GString> const& table)
{
    std::vector<std::string> groups;
    for (int i = 0; i < table.GetCount(); ++i)
        groups.push_back(Utf8(table[i]));
    return groups;
}

std::vector<std::string> Groups(GTable<GBuffer> const& table)
{
    std::vector<std::string> groups;
    for (int i = 0; i < table.GetCount(); ++i)
        groups.push_back(TextOf(table[i]));
    return groups;
}
// Every function that runs the pattern throws GSimpleException 40017, never Boost's exception.
void ExpectEveryRunThrowsInvalidParameter(GBuffer const& text, char const* pattern)
{
    auto const expectInvalid = [](auto run, char const* name)
    {
        SCOPED_TRACE(name);
        try
        {
            run();
            ADD_FAILURE() << "no exception";
        }
        catch (GSimpleException const& caught)
        {
            EXPECT_EQ(caught.GetExceptionID(), 40017);
        }
    };
    GBuffer const patternBytes(pattern);
    GTable<GString> strings;
    GTable<GBuffer> buffers;
    GString const textString(text, GUTF8Encoding::GetInstance(), true);
    expectInvalid([&] { GRegExpSupport::Match(text, patternBytes); }, "Match");
    expectInvalid([&] { GRegExpSupport::Search(text, patternBytes); }, "Search");
    expectInvalid([&] { GRegExpSupport::Replace(text, patternBytes, GBuffer("x")); }, "Replace");
    expectInvalid([&] { GRegExpSupport::Match(textString, pattern, strings); }, "Match with groups");
    expectInvalid([&] { GRegExpSupport::Search(textString, pattern, strings); }, "Search with groups");
    expectInvalid([&] { GRegExpSupport::Search(text, pattern, buffers); }, "Search of bytes with groups");
}
} // namespace

TEST(GRegExpSupportTest, MatchTakesTheWholeTextAndSearchAnyPart)
{
    struct Case
    {
        char const* text;
        char const* pattern;
        bool match;
        bool search;
    };
    Case const cases[] = {
        {"abc", "b", false, true},
        {"abc", "abc", true, true},
        {"abc", "a.c", true, true},
        {"abc", "ABC", false, false},
        {"abc", "x", false, false},
        {"", "", true, true},
        {"", "a*", true, true},
        {"abc", "", false, true},
        {"a1b22", "[a-z][0-9]+[a-z][0-9]+", true, true},
        {"line one\nline two", "^line two$", false, true},
        {"12.5", "\\d+\\.\\d+", true, true},
        {"(a)", "\\(a\\)", true, true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.text) + " ~ " + c.pattern);
        EXPECT_EQ(GRegExpSupport::Match(GBuffer(c.text), GBuffer(c.pattern)), c.match);
        EXPECT_EQ(GRegExpSupport::Search(GBuffer(c.text), GBuffer(c.pattern)), c.search);
    }
}

TEST(GRegExpSupportTest, ReplacesEveryNonEmptyMatch)
{
    struct Case
    {
        char const* text;
        char const* pattern;
        char const* format;
        char const* result;
    };
    Case const cases[] = {
        {"aaa", "x*", "-", "aaa"},
        {"aaa", "a", "b", "bbb"},
        {"a1b22c333", "[0-9]+", "#", "a#b#c#"},
        {"john smith", "(\\w+) (\\w+)", "$2, $1", "smith, john"},
        {"abc", "b", "[$&]", "a[b]c"},
        {"abc", "z", "-", "abc"},
        {"", "a", "b", ""},
        {"a-b", "-", "", "ab"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.text) + " ~ " + c.pattern);
        EXPECT_EQ(TextOf(GRegExpSupport::Replace(GBuffer(c.text), GBuffer(c.pattern), GBuffer(c.format))),
                  c.result);
    }
}

TEST(GRegExpSupportTest, GroupsHoldTheWholeMatchThenEachCaptureGroup)
{
    GTable<GBuffer> bytes;
    bytes.AddItem(GBuffer("stale"));
    EXPECT_TRUE(GRegExpSupport::Search(GBuffer("a1b22"), "([a-z])([0-9]+)", bytes));
    EXPECT_EQ(Groups(bytes), (std::vector<std::string>{"a1", "a", "1"}));

    // A group that took no part is an empty entry.
    EXPECT_TRUE(GRegExpSupport::Search(GBuffer("xb"), "(a)?(b)", bytes));
    EXPECT_EQ(Groups(bytes), (std::vector<std::string>{"b", "", "b"}));

    // No match leaves the table empty.
    EXPECT_FALSE(GRegExpSupport::Search(GBuffer("xyz"), "([0-9])", bytes));
    EXPECT_EQ(bytes.GetCount(), 0);

    GTable<GString> strings;
    strings.AddItem(GString("stale"));
    EXPECT_TRUE(GRegExpSupport::Match(Utf8String("key=value"), "(\\w+)=(\\w*)", strings));
    EXPECT_EQ(Groups(strings), (std::vector<std::string>{"key=value", "key", "value"}));
    EXPECT_FALSE(GRegExpSupport::Match(Utf8String("key=value!"), "(\\w+)=(\\w*)", strings));
    EXPECT_EQ(strings.GetCount(), 0);

    EXPECT_TRUE(GRegExpSupport::Search(Utf8String("size: 12 pt"), "([0-9]+) (pt|mm)", strings));
    EXPECT_EQ(Groups(strings), (std::vector<std::string>{"12 pt", "12", "pt"}));
    EXPECT_FALSE(GRegExpSupport::Search(Utf8String("size: 12"), "([0-9]+) (pt|mm)", strings));
    EXPECT_EQ(strings.GetCount(), 0);

    // A null pattern is the empty one, which matches the empty text.
    EXPECT_TRUE(GRegExpSupport::Match(GString(""), nullptr, strings));
    EXPECT_EQ(Groups(strings), std::vector<std::string>{""});
}

TEST(GRegExpSupportTest, TextMayBeOneOfTheGroups)
{
    GTable<GBuffer> bytes;
    bytes.AddItem(GBuffer("id=42"));
    EXPECT_TRUE(GRegExpSupport::Search(bytes[0], "(\\w+)=(\\d+)", bytes));
    EXPECT_EQ(Groups(bytes), (std::vector<std::string>{"id=42", "id", "42"}));

    GTable<GString> strings;
    strings.AddItem(GString("id=42"));
    EXPECT_TRUE(GRegExpSupport::Match(strings[0], "(\\w+)=(\\d+)", strings));
    EXPECT_EQ(Groups(strings), (std::vector<std::string>{"id=42", "id", "42"}));
}

TEST(GRegExpSupportTest, ZeroByteEndsTheTextExceptForSearchWithGroups)
{
    GBuffer const text = BufferOf(std::string("ab\0cd", 5));
    EXPECT_FALSE(GRegExpSupport::Search(text, GBuffer("cd")));
    EXPECT_FALSE(GRegExpSupport::Match(text, GBuffer("ab.cd")));
    EXPECT_TRUE(GRegExpSupport::Match(text, GBuffer("ab")));

    GTable<GBuffer> groups;
    EXPECT_TRUE(GRegExpSupport::Search(text, "c(d)", groups));
    EXPECT_EQ(Groups(groups), (std::vector<std::string>{"cd", "d"}));
    EXPECT_TRUE(GRegExpSupport::Search(text, "b\\x00c", groups));
    EXPECT_EQ(Groups(groups), (std::vector<std::string>{std::string("b\0c", 3)}));
}

TEST(GRegExpSupportTest, StringsAreMatchedAsUtf8Bytes)
{
    // "é" is two bytes in UTF-8: one dot takes one of them.
    GString const text(u"caf\u00E9", false);
    GTable<GString> groups;
    EXPECT_FALSE(GRegExpSupport::Match(text, "caf.", groups));
    EXPECT_TRUE(GRegExpSupport::Match(text, "caf..", groups));
    EXPECT_TRUE(GRegExpSupport::Match(text, "caf\xC3\xA9", groups));
    // The groups come back from UTF-8 as the same text.
    ASSERT_TRUE(GRegExpSupport::Search(text, "(f\xC3\xA9)", groups));
    ASSERT_EQ(groups.GetCount(), 2);
    EXPECT_EQ(groups[1], GString(u"f\u00E9", false));
}

TEST(GRegExpSupportTest, RejectedPatternsThrowExceptInTheValidityTest)
{
    struct Case
    {
        char const* pattern;
        bool valid;
    };
    Case const cases[] = {{"(", false},    {"[a-", false}, {"a{2,1}", false}, {"*a", false},
                          {"a(b)c", true}, {"", true},     {"\\d+", true},    {"[(]", true}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(GRegExpSupport::IsValidRegExp(GBuffer(c.pattern)), c.valid);
        if (c.valid)
            continue;
        ExpectEveryRunThrowsInvalidParameter(GBuffer("abc"), c.pattern);
    }
    // The validity test reads the whole buffer: a zero byte does not hide what follows it.
    EXPECT_FALSE(GRegExpSupport::IsValidRegExp(BufferOf(std::string("a\0(", 3))));
}

TEST(GRegExpSupportTest, PatternBeyondBoostsComplexityLimitThrowsTheFoundationsException)
{
    // Boost gives up on the nested repeat (with a std::runtime_error that is no regex_error); the
    // pattern itself compiles.
    EXPECT_TRUE(GRegExpSupport::IsValidRegExp(GBuffer("(a+)+$")));
    ExpectEveryRunThrowsInvalidParameter(GBuffer((std::string(35, 'a') + "b").c_str()), "(a+)+$");
}
