// Page ranges: the typed text and its errors, adding and merging, the queries, resolving bounds
// counted from the back and the text output.
#include "GRange.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "BufferText.h"
#include "GBuffer.h"
#include "GEncoding.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr int kFirst = GRange::cFromFirst;
constexpr int kLast = GRange::cToLast;
constexpr int kMax = std::numeric_limits<int>::max();
constexpr int kMin = std::numeric_limits<int>::min();

// One sequence as (from, from the back, to, from the back).
using Seq = std::tuple<int, bool, int, bool>;
using Seqs = std::vector<Seq>;

Seq F(int from, int to)
{
    return Seq(from, false, to, false);
}
Seq F(int value)
{
    return F(value, value);
}
Seq B(int from, int to)
{
    return Seq(from, true, to, true);
}

Seqs SequencesOf(GRange const& range)
{
    Seqs out;
    for (int i = 0; i < range.GetNumOfSequences(); ++i)
    {
        GRange::Bound from;
        GRange::Bound to;
        range.GetSequence(i, from, to);
        out.emplace_back(from.first, from.second, to.first, to.second);
    }
    return out;
}

std::string Utf8(GString const& text)
{
    return testsupport::TextOf(text.GetBuffer(GUTF8Encoding::GetInstance()));
}

std::string TextOf(GRange const& range)
{
    GString out;
    range.ToString(out);
    return Utf8(out);
}

GRange Read(std::string const& text)
{
    GRange range;
    range.Set(testsupport::BufferOf(text));
    return range;
}

GString Utf16(std::u16string const& text)
{
    return GString(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(2 * text.size()),
                   GUnicodeEncoding::GetInstance(), true);
}

// ---------------------------------------------------------------------------------------------
// Reading typed texts

struct ValidCase
{
    std::string text;
    Seqs sequences;
    // What ToString gives back with "," and "-".
    std::string printed;
};

TEST(GRangeTextTest, ReadsValidTextsIntoOrderedMergedSequences)
{
    std::vector<ValidCase> const cases = {
        {"1-10,15,20-", {F(1, 10), F(15), F(20, kLast)}, "1-10,15,20-"},
        // Bounds in the wrong order swap, flags and all.
        {"R3-R1", {B(1, 3)}, "R1-R3"},
        {"-", {F(kFirst, kLast)}, "-"},
        {"-5", {F(-5)}, "-5"},
        {"--5", {F(kFirst, -5)}, "--5"},
        {"5--3", {F(-3, 5)}, "-3-5"},
        {"3-R2", {Seq(2, true, 3, false)}, "R2-3"},
        {"1 - 5", {F(1, 5)}, "1-5"},
        {"1 0", {F(10)}, "10"},
        {"\t7 ,\t8 ", {F(7, 8)}, "7-8"},
        {"10-1", {F(1, 10)}, "1-10"},
        {"1-3,4-6", {F(1, 6)}, "1-6"},
        {"1,3,2", {F(1, 3)}, "1-3"},
        {"8-9,1-2,5", {F(1, 2), F(5), F(8, 9)}, "1-2,5,8-9"},
        {"R3-,5", {Seq(3, true, kLast, false), F(5)}, "R3-,5"},
        {"r2", {B(2, 2)}, "R2"},
        {"R1,1", {F(1), B(1, 1)}, "1,R1"},
        {"R1-R2,R3", {B(1, 3)}, "R1-R3"},
        {"-,3", {F(kFirst, kLast)}, "-"},
        {"5-,-", {F(kFirst, kLast)}, "-"},
        {"0", {F(0)}, "0"},
        {"007", {F(7)}, "7"},
        {"5-", {F(5, kLast)}, "5-"},
        {"2147483647", {F(kMax)}, "2147483647"},
        {"00000000000000000002147483647", {F(kMax)}, "2147483647"},
        {"1-R5,1-R5", {Seq(1, false, 5, true)}, "1-R5"},
    };
    for (ValidCase const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GRange range;
        range.SetSelectAll();
        EXPECT_EQ(GRange::cValid, range.Set(testsupport::BufferOf(c.text)));
        EXPECT_FALSE(range.IsSelectAll());
        EXPECT_EQ(c.sequences, SequencesOf(range));
        EXPECT_TRUE(range.CheckConsistency());
        EXPECT_EQ(c.printed, TextOf(range));
        // The printed text reads back as the same range.
        EXPECT_EQ(range, Read(c.printed));
    }
}

TEST(GRangeTextTest, InvalidCharacterLeavesTheSequencesAsTheyWere)
{
    std::vector<std::string> const texts = {"1;5",
                                            "1.5",
                                            "a",
                                            "1-5x",
                                            std::string("1\0"
                                                        "2",
                                                        3),
                                            "1\n2",
                                            "1\r",
                                            "\xEF\xBC\x91",
                                            "+3",
                                            "1-3,4_5",
                                            "R3-R1!",
                                            "1e3",
                                            "0x10"};
    for (std::string const& text : texts)
    {
        SCOPED_TRACE(text);
        GRange range = Read("7-9,R2");
        EXPECT_EQ(GRange::cInvalidCharacter, range.Set(testsupport::BufferOf(text)));
        EXPECT_EQ((Seqs{B(2, 2), F(7, 9)}), SequencesOf(range));
    }
}

struct SyntaxCase
{
    std::string text;
    // What was read before the error.
    Seqs kept;
};

TEST(GRangeTextTest, SyntaxErrorKeepsWhatWasReadBeforeIt)
{
    std::vector<SyntaxCase> const cases = {
        {"", {}},
        {"   \t ", {}},
        {",", {}},
        {",5", {}},
        {"5,,6", {F(5)}},
        {"5,", {F(5)}},
        {"R", {}},
        {"R0", {}},
        {"R00", {}},
        {"R-3", {}},
        {"RR3", {}},
        {"-R3", {}},
        {"5R3", {}},
        {"R3R2", {}},
        {"1-2-3", {F(1, 2)}},
        {"1-5-", {F(1, 5)}},
        {"1-5,7-8-", {F(1, 5), F(7, 8)}},
        {"--", {}},
        {"1--", {}},
        {"---", {}},
        {"-,", {F(kFirst, kLast)}},
        {"3,1-R", {F(3)}},
        {"1-3,R", {F(1, 3)}},
    };
    for (SyntaxCase const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GRange range = Read("100-200");
        EXPECT_EQ(GRange::cSyntaxError, range.Set(testsupport::BufferOf(c.text)));
        EXPECT_EQ(c.kept, SequencesOf(range));
        EXPECT_TRUE(range.CheckConsistency());
    }
}

TEST(GRangeTextTest, NumberBeyond32BitsIsSyntaxError)
{
    // Read with atoi these would wrap or saturate into pages the user never typed.
    std::vector<SyntaxCase> const cases = {
        {"2147483648", {}},
        {"4294967297", {}},
        {"99999999999999999999999999999999", {}},
        {"1,4294967297", {F(1)}},
        {"1-2147483648", {}},
        {"-2147483648", {}},
        {"5--2147483648", {}},
        {"R2147483648", {}},
        {"3-R4294967296", {}},
        {"1-2,2147483648-3", {F(1, 2)}},
    };
    for (SyntaxCase const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GRange range;
        EXPECT_EQ(GRange::cSyntaxError, range.Set(testsupport::BufferOf(c.text)));
        EXPECT_EQ(c.kept, SequencesOf(range));
    }
}

TEST(GRangeTextTest, InvalidCharacterStillClearsSelectAll)
{
    GRange range;
    range.SetSelectAll();
    EXPECT_EQ(GRange::cInvalidCharacter, range.Set("1;5"));
    EXPECT_FALSE(range.IsSelectAll());
    EXPECT_EQ(0, range.GetNumOfSequences());
}

TEST(GRangeTextTest, StringIsReadInItsAsciiForm)
{
    GRange range;
    EXPECT_EQ(GRange::cValid, range.Set(Utf16(u"1-3, r2")));
    EXPECT_EQ((Seqs{F(1, 3), B(2, 2)}), SequencesOf(range));

    // An en dash, a full-width digit and a zero character are no characters of the text form.
    for (std::u16string const& text :
         {std::u16string(u"1\u20133"), std::u16string(u"\uFF11"), std::u16string{u'1', u'\0', u'2'}})
    {
        GRange other = Read("4");
        EXPECT_EQ(GRange::cInvalidCharacter, other.Set(Utf16(text)));
        EXPECT_EQ(Seqs{F(4)}, SequencesOf(other));
    }
}

TEST(GRangeTextTest, CharacterAsciiCannotHoldIsInvalidWhateverTheDefaultCharacter)
{
    char const saved = GEncoding::GetDefaultCharacter();
    GEncoding::SetDefaultCharacter('5');
    GRange range;
    int const result = range.Set(Utf16(u"1,\u00E9"));
    GEncoding::SetDefaultCharacter(saved);
    EXPECT_EQ(GRange::cInvalidCharacter, result);
    EXPECT_EQ(0, range.GetNumOfSequences());
}

TEST(GRangeTextTest, ConstructorsReadTheirText)
{
    EXPECT_EQ(Read("1-3,9"), GRange("1-3,9"));
    EXPECT_EQ(Read("1-3,9"), GRange(GString("1-3,9")));
    EXPECT_EQ(GRange::cEmptyRange, GRange(static_cast<char const*>(nullptr)));
    EXPECT_EQ(0, GRange::cEmptyRange.GetNumOfSequences());
    EXPECT_FALSE(GRange::cEmptyRange.IsSelectAll());
}

struct NumberCase
{
    std::string text;
    int offset;
    int digits;
    int value;
};

TEST(GRangeTextTest, ReadNumberCountsDigitsAndMarksNumbersTooLarge)
{
    std::vector<NumberCase> const cases = {
        {"123abc", 0, 3, 123},
        {"ab12", 2, 2, 12},
        {"ab12", 1, 0, 77},
        {"12", 2, 0, 77},
        {"12", -1, 0, 77},
        {"", 0, 0, 77},
        {"2147483647", 0, 10, kMax},
        {"2147483648", 0, 10, -1},
        {"00000000000000000001", 0, 20, 1},
        {std::string(5000, '9'), 0, 5000, -1},
    };
    for (NumberCase const& c : cases)
    {
        SCOPED_TRACE(c.text.substr(0, 30) + " at " + std::to_string(c.offset));
        int value = 77;
        EXPECT_EQ(c.digits, GRange::ReadNumber(testsupport::BufferOf(c.text), c.offset, value));
        EXPECT_EQ(c.value, value);
    }
}

// ---------------------------------------------------------------------------------------------
// Hostile and long texts

TEST(GRangeTextTest, RandomTextsGiveAResultCodeAndASoundRange)
{
    std::mt19937 random(20240611);
    std::string const alphabet = "0123456789,-Rr \t;9";
    for (int round = 0; round < 20000; ++round)
    {
        std::string text;
        int const length = std::uniform_int_distribution<int>(0, 24)(random);
        for (int i = 0; i < length; ++i)
            text += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        SCOPED_TRACE(text);
        GRange range;
        int const result = range.Set(testsupport::BufferOf(text));
        ASSERT_TRUE(result == GRange::cValid || result == GRange::cInvalidCharacter ||
                    result == GRange::cSyntaxError);
        ASSERT_EQ(result == GRange::cInvalidCharacter, text.find(';') != std::string::npos);
        ASSERT_TRUE(range.CheckConsistency());
        if (result == GRange::cValid)
        {
            ASSERT_EQ(range, Read(TextOf(range)));
        }
    }
}

TEST(GRangeTextTest, LongTextsInAnyOrderAreReadWhole)
{
    // Descending single pages would each be inserted at the front of the tables.
    std::string descending;
    std::string reverse;
    int const n = 100000;
    for (int i = n; i > 0; --i)
    {
        descending += std::to_string(2 * i) + ",";
        reverse += "R" + std::to_string(2 * i) + ",";
    }
    descending += "1";
    reverse += "R1";

    // 1 and 2 merge.
    GRange pages = Read(descending);
    EXPECT_EQ(n, pages.GetNumOfSequences());
    EXPECT_EQ(n + 1, pages.GetCount());
    EXPECT_TRUE(pages.CheckConsistency());
    EXPECT_TRUE(pages.IsInRange(2 * n));
    EXPECT_FALSE(pages.IsInRange(3));

    GRange fromBack = Read(reverse);
    fromBack.Resolve(2 * n);
    EXPECT_EQ(n, fromBack.GetNumOfSequences());
    EXPECT_TRUE(fromBack.CheckConsistency());
    EXPECT_TRUE(fromBack.IsInRange(2 * n));
    EXPECT_TRUE(fromBack.IsInRange(1));
    EXPECT_FALSE(fromBack.IsInRange(2));
}

// Reading a whole text orders and merges its items at once; adding them one by one in any order
// must come to the same range.
TEST(GRangeTextTest, ReadingAndAddingOneByOneAgreeInAnyOrder)
{
    std::mt19937 random(7);
    auto number = [&random](int high) { return std::uniform_int_distribution<int>(0, high)(random); };
    for (int round = 0; round < 2000; ++round)
    {
        std::vector<std::string> items;
        int const count = 1 + number(12);
        for (int i = 0; i < count; ++i)
        {
            std::string item = (number(3) == 0 ? "R" : "") + std::to_string(number(20));
            int const shape = number(4);
            if (shape == 1)
                item += "-" + std::string(number(3) == 0 ? "R" : "") + std::to_string(1 + number(20));
            else if (shape == 2)
                item += "-";
            items.push_back(item[0] == 'R' && item[1] == '0' ? "R1" : item);
        }
        std::string text;
        for (std::string const& item : items)
            text += (text.empty() ? "" : ",") + item;
        SCOPED_TRACE(text);
        GRange const whole = Read(text);
        ASSERT_TRUE(whole.CheckConsistency());

        std::shuffle(items.begin(), items.end(), random);
        GRange added;
        for (std::string const& item : items)
            added.Add(Read(item));
        ASSERT_EQ(SequencesOf(whole), SequencesOf(added));
    }
}

// Against a plain set of pages: membership, count and the neighbours of every page.
TEST(GRangeTextTest, PagesAgreeWithASetModel)
{
    std::mt19937 random(99);
    auto number = [&random](int high) { return std::uniform_int_distribution<int>(0, high)(random); };
    for (int round = 0; round < 500; ++round)
    {
        std::set<int> model;
        std::string text;
        for (int i = 0, n = 1 + number(8); i < n; ++i)
        {
            int const a = number(60);
            int const b = number(60);
            for (int v = std::min(a, b); v <= std::max(a, b); ++v)
                model.insert(v);
            text += (text.empty() ? "" : ",") + std::to_string(a) + "-" + std::to_string(b);
        }
        SCOPED_TRACE(text);
        GRange const range = Read(text);
        ASSERT_EQ(static_cast<int>(model.size()), range.GetCount());
        for (int v = -2; v <= 63; ++v)
        {
            ASSERT_EQ(model.count(v) == 1, range.IsInRange(v)) << v;
            auto next = model.upper_bound(v);
            int const expectedNext = next == model.end() ? v : *next;
            ASSERT_EQ(expectedNext, range.GetNext(v)) << v;
            auto previous = model.lower_bound(v);
            int const expectedPrevious = previous == model.begin() ? v : *std::prev(previous);
            ASSERT_EQ(expectedPrevious, range.GetPrevious(v)) << v;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Adding

struct AddCase
{
    std::string before;
    Seq added;
    int result;
    Seqs after;
};

TEST(GRangeAddTest, AddRangeMergesSequencesOfOneKindAndReportsWhatChanged)
{
    std::vector<AddCase> const cases = {
        {"", F(1, 3), GRange::cInserted, {F(1, 3)}},
        {"1-3", F(2, 2), GRange::cUnchanged, {F(1, 3)}},
        {"1-3", F(1, 3), GRange::cUnchanged, {F(1, 3)}},
        {"1-3", F(4, 6), GRange::cInserted, {F(1, 6)}},
        {"1-3", F(6, 4), GRange::cInserted, {F(1, 6)}},
        {"4-6", F(1, 3), GRange::cInserted, {F(1, 6)}},
        {"1-3", F(3, 6), GRange::cExtended, {F(1, 6)}},
        {"1-3,7-9", F(4, 6), GRange::cInserted, {F(1, 9)}},
        {"1-3,7-9", F(0, 10), GRange::cExtended, {F(0, 10)}},
        {"1-3,7-9", F(2, 7), GRange::cExtended, {F(1, 9)}},
        {"1-3,7-9", F(5), GRange::cInserted, {F(1, 3), F(5), F(7, 9)}},
        {"1-3,7-9,12", F(4, 11), GRange::cExtended, {F(1, 12)}},
        {"R1-R3", B(4, 4), GRange::cInserted, {B(1, 4)}},
        {"R1-R3", B(2, 5), GRange::cExtended, {B(1, 5)}},
        // Bounds counted different ways never merge: their order depends on the page count.
        {"1-3", B(4, 4), GRange::cInserted, {F(1, 3), B(4, 4)}},
        {"1-3", B(2, 2), GRange::cInserted, {F(1, 3), B(2, 2)}},
        {"1-3", Seq(4, false, 9, true), GRange::cInserted, {F(1, 3), Seq(4, false, 9, true)}},
        {"3-R2", Seq(3, false, 2, true), GRange::cUnchanged, {Seq(2, true, 3, false)}},
        {"3-R2", Seq(2, true, 3, false), GRange::cUnchanged, {Seq(2, true, 3, false)}},
        {"5-", F(1, 4), GRange::cInserted, {F(1, kLast)}},
        {"-", F(5, 9), GRange::cUnchanged, {F(kFirst, kLast)}},
    };
    for (AddCase const& c : cases)
    {
        SCOPED_TRACE(c.before + " + " + testing::PrintToString(c.added));
        GRange range = Read(c.before);
        EXPECT_EQ(c.result, range.AddRange(std::get<0>(c.added), std::get<1>(c.added), std::get<2>(c.added),
                                           std::get<3>(c.added)));
        EXPECT_EQ(c.after, SequencesOf(range));
        EXPECT_TRUE(range.CheckConsistency());
    }
}

TEST(GRangeAddTest, SequencesAtTheEndsOf32BitValuesMergeWithoutOverflow)
{
    GRange range;
    EXPECT_EQ(GRange::cInserted, range.Add(kMax));
    EXPECT_EQ(GRange::cInserted, range.Add(kMax - 1));
    EXPECT_EQ(GRange::cInserted, range.Add(kMin));
    EXPECT_EQ(GRange::cInserted, range.Add(kMin + 1));
    EXPECT_EQ((Seqs{F(kMin, kMin + 1), F(kMax - 1, kMax)}), SequencesOf(range));
    EXPECT_EQ(4, range.GetCount());
}

TEST(GRangeAddTest, SelectAllTakesNoAdditions)
{
    GRange range;
    range.SetSelectAll();
    EXPECT_EQ(GRange::cUnchanged, range.Add(3));
    EXPECT_EQ(GRange::cUnchanged, range.AddRange(1, 9));
    EXPECT_EQ(GRange::cUnchanged, range.AddReverse(2));
    EXPECT_EQ(0, range.GetNumOfSequences());
    EXPECT_TRUE(range.IsSelectAll());
    EXPECT_EQ(kMax, range.GetCount());
    EXPECT_TRUE(range.IsInRange(kMin));
    EXPECT_TRUE(range.IsInRange(12345));
}

TEST(GRangeAddTest, AddSequenceCountsForwardOrBackAndStopsAtTheEnds)
{
    struct Case
    {
        int start;
        int length;
        Seqs after;
    };
    std::vector<Case> const cases = {
        {5, 3, {F(5, 7)}},
        {5, -3, {F(3, 5)}},
        {5, 1, {F(5)}},
        {5, 0, {}},
        {kMax - 1, 5, {F(kMax - 1, kMax)}},
        {kMin + 1, -5, {F(kMin, kMin + 1)}},
        {0, kMax, {F(0, kMax - 1)}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.start) + " length " + std::to_string(c.length));
        GRange range;
        range.AddSequence(c.start, c.length);
        EXPECT_EQ(c.after, SequencesOf(range));
    }
}

TEST(GRangeAddTest, AddingTablesAndRangesOrsTheResults)
{
    GRange range;
    GTable<int> values;
    for (int v : {5, 1, 2, 5})
        values.AddItem(v);
    EXPECT_EQ(GRange::cInserted, range.Add(values));
    EXPECT_EQ((Seqs{F(1, 2), F(5)}), SequencesOf(range));

    EXPECT_EQ(GRange::cExtended | GRange::cInserted, range.Add(Read("2-4,R1")));
    EXPECT_EQ((Seqs{F(1, 5), B(1, 1)}), SequencesOf(range));
    EXPECT_EQ(GRange::cUnchanged, range.Add(Read("3")));
    EXPECT_EQ(GRange::cUnchanged, range.Add(range));
    EXPECT_EQ((Seqs{F(1, 5), B(1, 1)}), SequencesOf(range));
}

// ---------------------------------------------------------------------------------------------
// Queries

TEST(GRangeQueryTest, CountIsCappedInsteadOfWrapping)
{
    struct Case
    {
        std::string text;
        int count;
    };
    std::vector<Case> const cases = {
        {"", 0},
        {"1-10,15,20-", 10 + 1 + (kLast - 20 + 1)},
        {"-3-3", 7},
        {"R3-R1,1-2", 5},
        // Each of these holds more than 2^31 values, which 32-bit arithmetic turns negative.
        {"-", kMax},
        {"0-2147483647", kMax},
        {"--1,1-", kMax},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.count, Read(c.text).GetCount());
    }
}

TEST(GRangeQueryTest, GetSequenceGivesBoundsOrStartAndLength)
{
    GRange const range = Read("2-4,R3-,-");
    int start = 77;
    int length = 77;
    range.GetSequence(0, start, length);
    EXPECT_EQ(kFirst, start);
    EXPECT_EQ(kMax, length) << "longer than 2^31 - 1, capped";

    GRange const pages = Read("2-4");
    pages.GetSequence(0, start, length);
    EXPECT_EQ(2, start);
    EXPECT_EQ(3, length);

    for (int index : {-1, 1, 1000})
    {
        SCOPED_TRACE(index);
        int s = 77;
        int l = 77;
        GRange::Bound from(77, true);
        GRange::Bound to(77, true);
        pages.GetSequence(index, s, l);
        pages.GetSequence(index, from, to);
        EXPECT_EQ(77, s);
        EXPECT_EQ(77, l);
        EXPECT_EQ(GRange::Bound(77, true), from);
        EXPECT_EQ(GRange::Bound(77, true), to);
    }
}

TEST(GRangeQueryTest, IsInRangeOfASpanTellsContainedEqualOrOutside)
{
    GRange const range = Read("1-10,15");
    struct Case
    {
        int from;
        int to;
        int result;
    };
    for (Case const& c : std::vector<Case>{{3, 5, GRange::cContained},
                                           {1, 10, GRange::cEqual},
                                           {15, 15, GRange::cEqual},
                                           {10, 10, GRange::cContained},
                                           {9, 11, GRange::cOutside},
                                           {11, 14, GRange::cOutside},
                                           {0, 1, GRange::cOutside}})
    {
        SCOPED_TRACE(std::to_string(c.from) + "-" + std::to_string(c.to));
        EXPECT_EQ(c.result, range.IsInRange(c.from, c.to));
    }
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(GRange::cContained, all.IsInRange(kMin, kMax));
}

TEST(GRangeQueryTest, FindSequenceLooksOnlyAtBoundsCountedTheGivenWay)
{
    GRange const range = Read("1-3,7-9,R1-R2");
    struct Case
    {
        int value;
        bool fromBack;
        bool found;
        int index;
    };
    // Sequences in order: 1-3, R1-R2 (values 1 to 2), 7-9.
    for (Case const& c : std::vector<Case>{{0, false, false, 0},
                                           {2, false, true, 0},
                                           {5, false, false, 2},
                                           {8, false, true, 2},
                                           {10, false, false, 3},
                                           {2, true, true, 1},
                                           {3, true, false, 3},
                                           {0, true, false, 1}})
    {
        SCOPED_TRACE(std::to_string(c.value) + (c.fromBack ? " from the back" : ""));
        int index = -5;
        EXPECT_EQ(c.found, range.FindSequence(c.value, c.fromBack, index));
        EXPECT_EQ(c.index, index);
    }
}

TEST(GRangeQueryTest, NextAndPreviousOfSelectAllAndEmptyRanges)
{
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(6, all.GetNext(5));
    EXPECT_EQ(4, all.GetPrevious(5));
    EXPECT_EQ(kMax, all.GetNext(kMax));
    EXPECT_EQ(kMin, all.GetPrevious(kMin));

    GRange const empty;
    EXPECT_EQ(5, empty.GetNext(5));
    EXPECT_EQ(5, empty.GetPrevious(5));
}

TEST(GRangeQueryTest, UnionHasReverseItemsAndEquality)
{
    int first = 0;
    int last = 0;
    GRange::cEmptyRange.GetUnion(first, last);
    EXPECT_EQ(-1, first);
    EXPECT_EQ(-1, last);
    Read("3-5,R9,-2").GetUnion(first, last);
    EXPECT_EQ(-2, first);
    EXPECT_EQ(9, last);

    EXPECT_FALSE(Read("1-5,9-").HasReverseItems());
    EXPECT_TRUE(Read("1-5,R9").HasReverseItems());
    EXPECT_TRUE(Read("3-R9").HasReverseItems());

    EXPECT_EQ(Read("1-3,5"), Read("5,3,2,1"));
    EXPECT_NE(Read("1"), Read("R1"));
    GRange all;
    all.SetSelectAll();
    EXPECT_NE(all, GRange());
}

TEST(GRangeQueryTest, PartialOrder)
{
    GRange all;
    all.SetSelectAll();
    struct Case
    {
        GRange left;
        GRange right;
        int result;
    };
    std::vector<Case> const cases = {
        {Read("1-3,5"), Read("1-3,5"), 1},
        {Read("1-3"), Read("1-3,5"), 0},
        {Read("2"), Read("1-3"), 0},
        {Read("4"), Read("1-3"), 2},
        {Read("R1"), Read("1-3"), 2},
        {Read("1"), Read("R1"), 2},
        {GRange(), GRange(), 1},
        {GRange(), all, 1},
        {GRange(), Read("1"), 0},
        {Read("1"), all, 0},
        {all, GRange(), 1},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].result, cases[i].left.PartialOrderLessThan(cases[i].right));
    }
}

TEST(GRangeQueryTest, IntersectionOfTheSequences)
{
    EXPECT_EQ((Seqs{F(5, 10), F(20, 25)}), SequencesOf(Read("1-10,20-30").GetIntersection(Read("5-25"))));
    EXPECT_EQ((Seqs{F(3), F(7, 8)}), SequencesOf(Read("1-3,7-9").GetIntersection(Read("3-8"))));
    EXPECT_EQ(Seqs{}, SequencesOf(Read("1-3").GetIntersection(Read("4-9"))));
    EXPECT_EQ((Seqs{F(2, 4)}), SequencesOf(Read("-").GetIntersection(Read("2-4"))));
    EXPECT_EQ(Seqs{}, SequencesOf(Read("1-3").GetIntersection(GRange())));
}

// ---------------------------------------------------------------------------------------------
// Changing

TEST(GRangeChangeTest, RemoveSequencesCutsIndexesToTheSequences)
{
    struct Case
    {
        int index;
        int n;
        std::string after;
    };
    std::vector<Case> const cases = {
        {1, 2, "1,7"},     {0, 1, "3,5,7"},    {-1, 2, "3,5,7"},        {3, 10, "1,3,5"}, {9, 1, "1,3,5,7"},
        {0, 0, "1,3,5,7"}, {2, -1, "1,3,5,7"}, {kMin, kMax, "1,3,5,7"}, {1, kMax, "1"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.index) + " n " + std::to_string(c.n));
        GRange range = Read("1,3,5,7");
        range.RemoveSequences(c.index, c.n);
        EXPECT_EQ(c.after, TextOf(range));
    }
}

TEST(GRangeChangeTest, TryJoinSequencesJoinsTouchingBoundsCountedAlike)
{
    GRange range = Read("1-3");
    range.AddRange(4, false, 9, true);
    EXPECT_FALSE(range.TryJoinSequences(0, 0));
    EXPECT_FALSE(range.TryJoinSequences(0, 2));
    EXPECT_FALSE(range.TryJoinSequences(-1, 1));
    EXPECT_FALSE(range.TryJoinSequences(1, 0));
    EXPECT_TRUE(range.TryJoinSequences(0, 1));
    EXPECT_EQ("1-R9", TextOf(range));

    GRange other = Read("1-3");
    other.AddRange(4, true, 9, false);
    EXPECT_FALSE(other.TryJoinSequences(0, 1));
    EXPECT_EQ(2, other.GetNumOfSequences());
}

TEST(GRangeChangeTest, ShiftMovesPlainValuesOnly)
{
    GRange range = Read("--5,2-4,R3,8-");
    range.Shift(1);
    EXPECT_EQ("--4,3-5,R3,9-", TextOf(range));
    range.Shift(-1);
    EXPECT_EQ("--5,2-4,R3,8-", TextOf(range));
}

TEST(GRangeChangeTest, ShiftStopsAtTheEndsOf32BitValues)
{
    GRange high = Read("2147483640-2147483645,10");
    high.Shift(kMax);
    EXPECT_EQ((Seqs{F(kMax)}), SequencesOf(high));

    GRange low = Read("1-5,-7");
    low.Shift(kMin);
    EXPECT_EQ((Seqs{F(kMin, kMin + 5)}), SequencesOf(low));
    EXPECT_TRUE(low.CheckConsistency());

    // A value passing an open end that stays where it is: the sequence is put in order again.
    GRange passing = Read("--5");
    passing.Shift(kMin);
    EXPECT_EQ((Seqs{F(kMin, kFirst)}), SequencesOf(passing));
    EXPECT_TRUE(passing.CheckConsistency());
}

TEST(GRangeChangeTest, ResolveCountsFromTheBackAndMergesAgain)
{
    struct Case
    {
        std::string text;
        int count;
        std::string after;
    };
    std::vector<Case> const cases = {
        {"R3-R1", 10, "8-10"},
        {"R1", 10, "10"},
        {"3-R2", 10, "3-9"},
        {"R3-,5", 10, "5,8-"},
        {"R2,8", 10, "8-9"},
        {"R5-R1,1-2", 5, "1-5"},
        {"R1,R3,R5", 5, "1,3,5"},
        {"1-3,7", 10, "1-3,7"},
        // A count below the value gives pages before the first; the order is set right again.
        {"R5-R1", 2, "-2-2"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text + " of " + std::to_string(c.count));
        GRange range = Read(c.text);
        range.Resolve(c.count);
        EXPECT_EQ(c.after, TextOf(range));
        EXPECT_FALSE(range.HasReverseItems());
        EXPECT_TRUE(range.CheckConsistency());
    }
}

TEST(GRangeChangeTest, ResolveOfExtremeCountsStopsAtThe32BitEnds)
{
    GRange range;
    range.AddReverse(2);
    range.Resolve(kMin);
    EXPECT_EQ(Seqs{F(kMin)}, SequencesOf(range));

    GRange negative;
    negative.AddReverse(-5);
    negative.Resolve(kMax);
    EXPECT_EQ(Seqs{F(kMax)}, SequencesOf(negative));
}

TEST(GRangeChangeTest, ClearAndSelectAll)
{
    GRange range = Read("1-3");
    range.SetSelectAll();
    EXPECT_TRUE(range.IsSelectAll());
    EXPECT_EQ(0, range.GetNumOfSequences());
    EXPECT_EQ("", TextOf(range));
    EXPECT_TRUE(range.CheckConsistency());
    range.Clear();
    EXPECT_FALSE(range.IsSelectAll());
    EXPECT_EQ(GRange(), range);
}

// ---------------------------------------------------------------------------------------------
// Text output

TEST(GRangeOutputTest, ToStringAddsTheOffsetAndUsesTheSeparators)
{
    GRange const range = Read("1-10,15,20-,R2");
    GString out("stale");
    range.ToString(out, 1, GString("; "), GString(" to "));
    EXPECT_EQ("2 to 11; R3; 16; 21 to ", Utf8(out));

    // The offset is added in 64 bits, so the largest page still prints as a number.
    Read("2147483647").ToString(out, 1);
    EXPECT_EQ("2147483648", Utf8(out));
    Read("--2147483646").ToString(out, -5);
    EXPECT_EQ("--2147483651", Utf8(out));

    GRange::cEmptyRange.ToString(out);
    EXPECT_TRUE(out.IsEmpty());

    range.ToString(out, 0, Utf16(u"\u2022"), Utf16(u"\u2013"));
    EXPECT_EQ("1\xE2\x80\x93"
              "10\xE2\x80\xA2R2\xE2\x80\xA2"
              "15\xE2\x80\xA2"
              "20\xE2\x80\x93",
              Utf8(out));
}

TEST(GRangeOutputTest, ToCompactStringShortensLongRanges)
{
    struct Case
    {
        std::string text;
        int maxSequences;
        std::string compact;
    };
    std::vector<Case> const cases = {
        {"1-3,7-9", 1, "1...9"},
        {"1-3,7-9", 2, "1-3,7-9"},
        {"1-3,7-9", 0, "1...9"},
        {"--3,7-", 1, "..."},
        {"1,R5-R3", 1, "1...R5"},
        {"1,3,5", -1, "1...5"},
        {"", -1, ""},
        {"", 0, ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text + " max " + std::to_string(c.maxSequences));
        GString out("stale");
        Read(c.text).ToCompactString(out, c.maxSequences, GString("..."));
        EXPECT_EQ(c.compact, Utf8(out));
    }
    GString out;
    Read("1-3,7-9").ToCompactString(out, 1, GString(" ... "), 10, GString(";"), GString(":"));
    EXPECT_EQ("11 ... 19", Utf8(out));
    Read("1-3").ToCompactString(out, 1, GString(" ... "), 10, GString(";"), GString(":"));
    EXPECT_EQ("11:13", Utf8(out));
}
} // namespace
