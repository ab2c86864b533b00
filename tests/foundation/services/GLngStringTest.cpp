// Localised messages: rendering through the string pool in the current language with the English
// fallback, substitution of the four kinds of substitute, concatenation and value semantics.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include <string>
#include <utility>
#include <vector>

#include "GAutoPtr.h"
#include "GLngString.h"
#include "GPathName.h"
#include "GUnitSupport.h"
#include "GString.h"
#include "GStringPool.h"
#include "StringPoolTestSupport.h"

using namespace stringpooltest;

namespace
{
constexpr int cError = 2451;
constexpr int cDate = 10;
constexpr int cMonth = 11;
constexpr int cFile = 12;
constexpr int cNeutralOnly = 500;
constexpr int cEnglishOnly = 13;

class LngStringTest : public StringPoolFixture
{
protected:
    void SetUp() override
    {
        StringPoolFixture::SetUp();
        Register("enUS", {{cError, "Error in %1"},
                          {cDate, "%2 %1, %3"},
                          {cMonth, "January"},
                          {cFile, "file"},
                          {cEnglishOnly, "only English"}});
        Register("deDE", {{cError, "Fehler in %1"}, {cDate, "%2. %1 %3"}, {cMonth, "Januar"}});
        Register("Neutral", {{cNeutralOnly, "neutral"}});
    }

    static void UseGerman() { ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE"))); }

    static GLngString Message(int id, int substituteID)
    {
        GLngString message(id);
        message.AddStringID(substituteID);
        return message;
    }
};

TEST_F(LngStringTest, RendersInTheCurrentLanguageElseEnglishElseEmpty)
{
    UseGerman();
    struct Case
    {
        int id;
        std::string text;
    };
    for (Case const& c : std::vector<Case>{{cMonth, "Januar"}, {cEnglishOnly, "only English"}, {99, ""}})
    {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(Utf8(GLngString(c.id).GetReadableString()), c.text);
    }
}

TEST_F(LngStringTest, BaseTextOnlyInNeutralRendersEmpty)
{
    // Rendering asks each language's own table; "Neutral" is not one of them.
    EXPECT_EQ(GStringPool::GetString(cNeutralOnly).IsEmpty(), false);
    EXPECT_TRUE(GLngString(cNeutralOnly).GetReadableString().IsEmpty());
}

TEST_F(LngStringTest, PlaceholdersAreFilledByPosition)
{
    GLngString date(cDate);
    date.AddString(GString("January"));
    date.AddInt32(5);
    date.AddInt32(2026);
    EXPECT_EQ(Utf8(date.GetReadableString()), "5 January, 2026");

    GLngString digits(GString("%9%8%7%6%5%4%3%2%1|%1%1"));
    for (int i = 1; i <= 9; ++i)
        digits.AddInt32(i);
    EXPECT_EQ(Utf8(digits.GetReadableString()), "987654321|11");
}

TEST_F(LngStringTest, EachKindOfSubstituteRendersAsItsText)
{
    GLngString nested(cError);
    nested.AddString(GString("x"));
    struct Case
    {
        char const* name;
        GLngString message;
        std::string english;
        std::string german;
    };
    GLngString id = Message(cError, cMonth);
    GLngString integer(cError);
    integer.AddInt32(-42);
    GLngString text(cError);
    text.AddString(FromUtf8("Stra\xC3\x9F"
                            "e"));
    GLngString inner(cError);
    inner.AddLngString(nested);
    GLngString literal(GString("<%1>"));
    literal.AddLngString(Message(cDate, cMonth));
    std::vector<Case> const cases = {
        {"string id", id, "Error in January", "Fehler in Januar"},
        {"integer", integer, "Error in -42", "Fehler in -42"},
        {"text", text,
         "Error in Stra\xC3\x9F"
         "e",
         "Fehler in Stra\xC3\x9F"
         "e"},
        {"nested message", inner, "Error in Error in x", "Fehler in Fehler in x"},
        {"literal over a nested message", literal, "<%2 January, %3>", "<%2. Januar %3>"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8(c.message.GetReadableString()), c.english);
        GString out;
        EXPECT_TRUE(c.message.GetReadableString(GString("deDE"), out));
        EXPECT_EQ(Utf8(out), c.german);
    }
}

TEST_F(LngStringTest, InsertedTextIsNotScannedAgain)
{
    GLngString message(GString("%1 and %2"));
    message.AddString(GString("%2"));
    message.AddString(GString("two"));
    EXPECT_EQ(Utf8(message.GetReadableString()), "%2 and two");
}

TEST_F(LngStringTest, MissingStringIdSubstituteRendersEmptyInsideTheCurrentLanguage)
{
    UseGerman();
    EXPECT_EQ(Utf8(Message(cError, cFile).GetReadableString()), "Fehler in ");
}

TEST_F(LngStringTest, NestedMessageMissingInCurrentLanguageFallsBackToEnglishWhole)
{
    UseGerman();
    GLngString message(cError);
    message.AddLngString(GLngString(cFile));
    EXPECT_EQ(Utf8(message.GetReadableString()), "Error in file");

    GString out("stale");
    EXPECT_FALSE(message.GetReadableString(GString("deDE"), out));
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(LngStringTest, LanguageLackingTheBaseIdFailsWithEmptyText)
{
    GString out("stale");
    EXPECT_FALSE(GLngString(cEnglishOnly).GetReadableString(GString("deDE"), out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_FALSE(GLngString(cMonth).GetReadableString(GString("frFR"), out));
    EXPECT_TRUE(GLngString(GString("literal")).GetReadableString(GString("frFR"), out));
    EXPECT_EQ(Utf8(out), "literal");
}

TEST_F(LngStringTest, EmptyMeansNoIdAndNoLiteralWhateverTheSubstitutes)
{
    GLngString withSubstitutes;
    withSubstitutes.AddString(GString("ignored"));
    GLngString idOnly(cMonth);
    GLngString literal(GString("x"));
    EXPECT_TRUE(GLngString().IsEmpty());
    EXPECT_TRUE(GLngString(GString()).IsEmpty());
    EXPECT_TRUE(withSubstitutes.IsEmpty());
    EXPECT_FALSE(idOnly.IsEmpty());
    EXPECT_FALSE(literal.IsEmpty());
    EXPECT_TRUE(idOnly.IsTranslatable());
    EXPECT_FALSE(literal.IsTranslatable());
}

TEST_F(LngStringTest, AddingToAnEmptyMessageCopiesTheOther)
{
    GLngString other = Message(cError, cMonth);
    GLngString message;
    message.AddInt32(1);
    message += other;
    EXPECT_TRUE(message == other);
    EXPECT_EQ(Utf8(message.GetReadableString()), "Error in January");
}

TEST_F(LngStringTest, AddingAnEmptyMessageChangesNothing)
{
    GLngString message = Message(cError, cMonth);
    GLngString const before = message;
    GLngString empty;
    empty.AddString(GString("ignored"));
    message += empty;
    EXPECT_TRUE(message == before);
}

TEST_F(LngStringTest, AddingTwoMessagesJoinsTheirRenderings)
{
    GLngString message = Message(cError, cMonth);
    message += GLngString(GString(" / "));
    message += GLngString(cFile);
    EXPECT_FALSE(message.IsTranslatable());
    EXPECT_EQ(message.GetBaseStringID(), cError);
    EXPECT_EQ(Utf8(message.GetReadableString()), "Error in January / file");

    GLngString twice(cMonth);
    twice += twice;
    EXPECT_EQ(Utf8(twice.GetReadableString()), "JanuaryJanuary");
}

TEST_F(LngStringTest, CopiesOwnTheirSubstitutes)
{
    GLngString original(cError);
    original.AddLngString(Message(cDate, cMonth));
    original.AddString(GString("text"));
    GLngString copy(original);
    GLngString assigned;
    assigned.AddInt32(7);
    assigned = original;
    EXPECT_TRUE(copy == original);
    EXPECT_TRUE(assigned == original);

    original = GLngString(cFile);
    EXPECT_TRUE(copy == assigned);
    EXPECT_FALSE(copy == original);
    EXPECT_EQ(Utf8(copy.GetReadableString()), "Error in %2 January, %3");

    GLngString moved(std::move(assigned));
    EXPECT_TRUE(moved == copy);
    EXPECT_TRUE(assigned.IsEmpty());

    GLngString& self = copy;
    copy = self;
    EXPECT_TRUE(copy == moved);
}

TEST_F(LngStringTest, EqualityComparesKindsValuesAndOrder)
{
    auto withInt = [](int value)
    {
        GLngString m(cError);
        m.AddInt32(value);
        return m;
    };
    GLngString twoTexts(cError);
    twoTexts.AddString(GString("a"));
    twoTexts.AddString(GString("b"));
    GLngString swapped(cError);
    swapped.AddString(GString("b"));
    swapped.AddString(GString("a"));
    GLngString utf8Text(cError);
    utf8Text.AddString(FromUtf8("a"));
    utf8Text.AddString(FromUtf8("b"));

    EXPECT_TRUE(withInt(5) == withInt(5));
    EXPECT_TRUE(withInt(5) != withInt(6));
    EXPECT_TRUE(withInt(5) != Message(cError, 5));
    EXPECT_TRUE(withInt(5) != GLngString(cError));
    EXPECT_TRUE(twoTexts != swapped);
    EXPECT_TRUE(twoTexts == utf8Text);
    EXPECT_TRUE(GLngString(GString("x")) != GLngString(GString("y")));
}

TEST_F(LngStringTest, BaseStringIdComesFromTheFirstSubstituteThatHasOne)
{
    GLngString literal(GString("%1%2%3"));
    literal.AddInt32(3);
    literal.AddLngString(GLngString(GString("no id")));
    literal.AddLngString(Message(0, cFile));
    literal.AddStringID(cMonth);
    EXPECT_EQ(literal.GetBaseStringID(), cFile);
    EXPECT_EQ(GLngString(GString("none")).GetBaseStringID(), 0);
}

TEST_F(LngStringTest, PathsAndMeasurementsRenderAsTheirTexts)
{
    GLngString message(GString("%1 is %2 wide"));
    message.AddPathName(GPathName("/Users/me/a file.pdf"));
    message.AddMeasurement(72.0);
    EXPECT_EQ(Utf8(message.GetReadableString()),
              "/Users/me/a file.pdf is " + Utf8(GUnitSupport::FormatValueWithUnit(72.0, 4)) + " wide");
}

TEST_F(LngStringTest, TextFormWritesItemsSeparatedByBlanks)
{
    GLngString withId(cError);
    withId.AddInt32(5);
    GLngString literal(GString("Hello"));
    literal.AddString(GString("ab"));
    GString text;
    GLngString::ToString(withId, text);
    EXPECT_EQ(Utf8(text), "s 2451 1 i 5");
    GLngString::ToString(literal, text);
    EXPECT_EQ(Utf8(text), "S 5 Hello 1 S 2 ab");
}

TEST_F(LngStringTest, TextFormReadsBackEveryKind)
{
    GLngString inner(cFile);
    inner.AddString(FromUtf8("\xC3\xA9t\xC3\xA9 with blanks "));
    GLngString message(GString("%1 %2 %3 %4 %5"));
    message.AddStringID(cMonth);
    message.AddInt32(-42);
    message.AddPathName(GPathName("/a b/c"));
    message.AddLngString(inner);
    message.AddLngString(GLngString(GString("")));
    GString text;
    GLngString::ToString(message, text);
    GAutoPtr<GLngString> back(GLngString::FromString(text));
    EXPECT_TRUE(*back == message) << Utf8(text);
    EXPECT_EQ(back->GetHash(), message.GetHash());

    GLngString measured(cError);
    measured.AddMeasurement(1.0 / 3.0);
    GLngString::ToString(measured, text);
    back.Reset(GLngString::FromString(text));
    GLngString rounded(cError);
    rounded.AddMeasurement(0.333333333);
    EXPECT_TRUE(*back == rounded) << Utf8(text);
}

TEST_F(LngStringTest, DamagedTextFormsGivePartialOrEmptyMessages)
{
    struct Case
    {
        char const* text;
        char const* expected;
    };
    std::vector<Case> const cases = {
        {"", "S 0  0"},
        {"i 5 0", "S 0  0"},
        {"s 2451 2000000000 i 1", "s 2451 1 i 1"},
        {"S -5 abc 0", "S 0  0"},
        {"S 1000 abc", "S 3 abc 0"},
        {"s 7 1 S -3 xyz", "s 7 1 S 0 "},
        {"s 7 3 x 1 i 2", "s 7 1 i 2"},
        {"s 7 1 l 99999 s", "s 7 1 l 6 S 0  0"},
        {"s", "S 0  0"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GAutoPtr<GLngString> message(GLngString::FromString(GString(c.text)));
        GString text;
        GLngString::ToString(*message, text);
        EXPECT_EQ(Utf8(text), c.expected);
    }
}

TEST_F(LngStringTest, MeasurementsBeyondTheLargestRealReadBackAsWritten)
{
    // A text overflowing a real is kept as the largest one, whose digits read back; the substitute
    // after it is read too.
    GAutoPtr<GLngString> first(GLngString::FromString(GString("s 7 3 m 1e999 m -1e999 i 4")));
    GString text;
    GLngString::ToString(*first, text);
    GAutoPtr<GLngString> back(GLngString::FromString(text));
    GString again;
    GLngString::ToString(*back, again);
    EXPECT_EQ(Utf8(again), Utf8(text));
    GLngString expected(7);
    expected.AddMeasurement(DBL_MAX);
    expected.AddMeasurement(-DBL_MAX);
    expected.AddInt32(4);
    EXPECT_TRUE(*first == expected);
    EXPECT_TRUE(*back == expected) << Utf8(text);

    // Infinity and NaN handed in by a caller are written as readable numbers too.
    GLngString handed(7);
    handed.AddMeasurement(HUGE_VAL);
    handed.AddMeasurement(std::nan(""));
    GLngString::ToString(handed, text);
    back.Reset(GLngString::FromString(text));
    GLngString readable(7);
    readable.AddMeasurement(DBL_MAX);
    readable.AddMeasurement(0.0);
    EXPECT_TRUE(*back == readable) << Utf8(text);
}

TEST_F(LngStringTest, DeepNestingInTheTextFormStopsAtTheLimit)
{
    // Each level wraps the one inside as a nested message, far deeper than the limit.
    std::string text = "s 1 0";
    for (int level = 0; level < 2000; ++level)
        text = "s 1 1 l " + std::to_string(text.size()) + " " + text;
    GAutoPtr<GLngString> message(GLngString::FromString(FromUtf8(text)));
    GString written;
    GLngString::ToString(*message, written);
    std::string form = Utf8(written);
    int levels = 0;
    for (std::size_t at = form.find(" l "); at != std::string::npos; at = form.find(" l ", at + 1))
        ++levels;
    // Levels 0 to the limit keep their nested message; the one below reads as empty.
    EXPECT_EQ(levels, GLngString::cMaxNesting + 1);
}
} // namespace
