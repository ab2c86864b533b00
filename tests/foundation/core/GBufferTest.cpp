// Byte buffer: ownership and copy-on-write, growth, editing, search, order, hash and size limits.
#include "GBuffer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BufferText.h"

#include "GMemoryException.h"

namespace
{
using testsupport::BufferOf;
using testsupport::TextOf;

unsigned char const* U(char const* text)
{
    return reinterpret_cast<unsigned char const*>(text);
}
} // namespace

// ---- construction and storage sizes

TEST(GBufferTest, TextConstructorOwnsDataPlusTwoBytes)
{
    GBuffer buffer("abc");
    EXPECT_TRUE(buffer.IsOwned());
    EXPECT_EQ(buffer.GetLength(), 3);
    EXPECT_EQ(buffer.GetAllocatedLength(), 3);
    unsigned char const* p = buffer.GetPtr();
    EXPECT_EQ(std::memcmp(p, "abc\0\0", 5), 0);
}

TEST(GBufferTest, EmptyBuffersHandOutZeroBytes)
{
    GBuffer const fromNull(static_cast<char const*>(nullptr));
    GBuffer const fromEmptyText("");
    GBuffer const fromNullBytes(nullptr, 5);
    for (GBuffer const* buffer : {&fromNull, &fromEmptyText, &fromNullBytes, &GBuffer::cEmptyBuffer})
    {
        EXPECT_EQ(buffer->GetLength(), 0);
        ASSERT_NE(buffer->GetPtr(), nullptr);
        EXPECT_EQ(buffer->GetPtr()[0], 0);
        EXPECT_EQ(buffer->GetPtr()[1], 0);
    }
}

TEST(GBufferTest, KeepsEmbeddedZeroBytes)
{
    unsigned char const raw[] = {'a', 0, 'b', 0xFF};
    GBuffer buffer(raw, 4);
    EXPECT_EQ(buffer.GetLength(), 4);
    EXPECT_EQ(std::memcmp(buffer.GetPtr(), raw, 4), 0);
    EXPECT_EQ(buffer.GetPtr()[4], 0);
    EXPECT_EQ(buffer.GetPtr()[5], 0);
}

TEST(GBufferTest, EmptyAssignmentKeepsStorage)
{
    GBuffer buffer("some text");
    unsigned char const* storage = buffer.GetPtr();
    buffer = GBuffer();
    EXPECT_EQ(buffer.GetLength(), 0);
    buffer += "new";
    EXPECT_EQ(buffer.GetPtr(), storage);
    EXPECT_EQ(TextOf(buffer), "new");
}

TEST(GBufferTest, AssignmentFromOwnedReusesLargeEnoughStorage)
{
    GBuffer target("a rather long text");
    unsigned char const* storage = target.GetPtr();
    GBuffer source("short");
    target = source;
    EXPECT_EQ(target.GetPtr(), storage);
    EXPECT_EQ(TextOf(target), "short");
    EXPECT_NE(target.GetPtr(), source.GetPtr());

    target = target;
    EXPECT_EQ(TextOf(target), "short");
}

// ---- borrowed bytes and copy-on-write

class GBufferBorrowTest : public testing::Test
{
protected:
    // Writable, so that a buffer that wrongly writes into borrowed bytes is seen doing it.
    char fStatic[16] = "static text";
};

TEST_F(GBufferBorrowTest, CopiesShareBorrowedBytesUntilWritten)
{
    GBuffer original;
    original.SetFromStatic(fStatic);
    EXPECT_FALSE(original.IsOwned());
    EXPECT_EQ(original.GetAllocatedLength(), 12);

    GBuffer copy(original);
    GBuffer assigned("owned before");
    assigned = original;
    EXPECT_EQ(copy.GetPtr(), reinterpret_cast<unsigned char const*>(fStatic));
    EXPECT_EQ(assigned.GetPtr(), reinterpret_cast<unsigned char const*>(fStatic));

    unsigned char* write = copy.GetWritePtr();
    EXPECT_NE(write, reinterpret_cast<unsigned char*>(fStatic));
    EXPECT_TRUE(copy.IsOwned());
    write[0] = 'X';
    EXPECT_STREQ(fStatic, "static text");
    EXPECT_EQ(TextOf(copy), "Xtatic text");
    EXPECT_EQ(original.GetPtr(), reinterpret_cast<unsigned char const*>(fStatic));
    EXPECT_EQ(assigned.GetPtr(), reinterpret_cast<unsigned char const*>(fStatic));
}

TEST_F(GBufferBorrowTest, GetPtrCopiesWhenNoZeroFollowsTheBorrowedBytes)
{
    struct Case
    {
        int len;
        int extent;
        bool shared;
    };
    Case const cases[] = {
        {11, 12, true},  // the text's own terminator is readable
        {11, -1, false}, // extent equals length: nothing may be read after the data
        {3, 3, false},
        {3, 10, false}, // readable, but the next byte is 't', not a terminator
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "len " << c.len << " extent " << c.extent);
        GBuffer buffer;
        buffer.SetFromStatic(fStatic, c.len, c.extent);
        unsigned char const* p = buffer.GetPtr();
        EXPECT_EQ(p == reinterpret_cast<unsigned char const*>(fStatic), c.shared);
        EXPECT_EQ(buffer.IsOwned(), !c.shared);
        EXPECT_EQ(std::string(reinterpret_cast<char const*>(p)), std::string(fStatic, c.len));
    }
    EXPECT_STREQ(fStatic, "static text");
}

TEST_F(GBufferBorrowTest, EditsNeverWriteIntoBorrowedBytes)
{
    struct Case
    {
        char const* name;
        void (*edit)(GBuffer&);
        char const* expected;
    };
    Case const cases[] = {
        {"byte append", [](GBuffer& b) { b += static_cast<unsigned char>('Z'); }, "stZ"},
        {"unit append", [](GBuffer& b) { b += static_cast<unsigned short>(0x5A5A); }, "stZZ"},
        {"text append", [](GBuffer& b) { b += "Z"; }, "stZ"},
        {"replace", [](GBuffer& b) { b.ReplaceByteArray(0, 1, U("Q"), 1); }, "Qt"},
        {"remove", [](GBuffer& b) { b.Remove(0, 1); }, "t"},
        {"byte replace", [](GBuffer& b) { b.FindAndReplace(0, 's', 'S'); }, "St"},
        {"write pointer", [](GBuffer& b) { b.GetWritePtr()[1] = 'T'; }, "sT"},
        {"overwrite", [](GBuffer& b) { b.Set(U("no"), 2); }, "no"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GBuffer buffer;
        // A generous extent: the appends must still not take the borrowed bytes for free room.
        buffer.SetFromStatic(fStatic, 2, 12);
        c.edit(buffer);
        EXPECT_EQ(TextOf(buffer), c.expected);
        EXPECT_TRUE(buffer.IsOwned());
        EXPECT_STREQ(fStatic, "static text");
    }
}

TEST_F(GBufferBorrowTest, BorrowingEmptyOrNullOnlyClearsTheLength)
{
    GBuffer buffer("owned");
    unsigned char const* storage = buffer.GetPtr();
    buffer.SetFromStatic("");
    EXPECT_EQ(buffer.GetLength(), 0);
    buffer.SetFromStatic(nullptr, 4);
    buffer.TakeByteArray(U(fStatic), 0, 5);
    EXPECT_TRUE(buffer.IsOwned());
    buffer += "x";
    EXPECT_EQ(buffer.GetPtr(), storage);
}

TEST_F(GBufferBorrowTest, CopyOfOwnedBufferIsIndependent)
{
    GBuffer original("abc");
    GBuffer copy(original);
    EXPECT_NE(copy.GetPtr(), original.GetPtr());
    copy.GetWritePtr()[0] = 'X';
    EXPECT_EQ(TextOf(original), "abc");
    EXPECT_EQ(TextOf(copy), "Xbc");
}

TEST_F(GBufferBorrowTest, SwapExchangesOwnership)
{
    GBuffer owned("owned");
    GBuffer borrowed;
    borrowed.SetFromStatic(fStatic);
    owned.Swap(borrowed);
    EXPECT_FALSE(owned.IsOwned());
    EXPECT_EQ(owned.GetPtr(), reinterpret_cast<unsigned char const*>(fStatic));
    EXPECT_TRUE(borrowed.IsOwned());
    EXPECT_EQ(TextOf(borrowed), "owned");
}

TEST_F(GBufferBorrowTest, ConcatenationLeavesBothOperandsAlone)
{
    GBuffer left;
    left.SetFromStatic(fStatic, 6);
    GBuffer right(" right");
    GBuffer sum = left + right;
    EXPECT_EQ(TextOf(sum), "static right");
    EXPECT_EQ(TextOf(right), " right");
    EXPECT_EQ(left.GetLength(), 6);
    EXPECT_STREQ(fStatic, "static text");
}

// ---- growth

TEST(GBufferTest, ByteAppendsGrowByAboutAThird)
{
    GBuffer buffer;
    buffer += static_cast<unsigned char>('a');
    // The first block is the 8-byte minimum; two of its bytes are kept for the terminator.
    EXPECT_EQ(buffer.GetAllocatedLength(), 6);

    std::string expected = "a";
    int blocks = 1;
    unsigned char const* storage = buffer.GetPtr();
    for (int i = 1; i < 100000; ++i)
    {
        auto byte = static_cast<unsigned char>('a' + i % 26);
        int before = buffer.GetAllocatedLength();
        buffer += byte;
        expected += static_cast<char>(byte);
        if (buffer.GetPtr() != storage)
        {
            ++blocks;
            storage = buffer.GetPtr();
            // A new block only when the old one was full, and then about a third larger.
            EXPECT_EQ(i, before) << "grew at length " << i;
            EXPECT_GE(buffer.GetAllocatedLength(), i + i / 3);
            EXPECT_LE(buffer.GetAllocatedLength(), i + i / 3 + 2);
        }
    }
    EXPECT_EQ(TextOf(buffer), expected);
    EXPECT_LT(blocks, 45);
}

TEST(GBufferTest, CharactersAppendAsBytes)
{
    GBuffer buffer;
    buffer += 'a';
    buffer += static_cast<char>(-1);
    ASSERT_EQ(buffer.GetLength(), 2);
    EXPECT_EQ(buffer.GetPtr()[0], 'a');
    EXPECT_EQ(buffer.GetPtr()[1], 0xFF);
}

TEST(GBufferTest, UnitAppendsUseMachineByteOrder)
{
    GBuffer buffer;
    for (unsigned short unit = 0x0100; unit < 0x0100 + 500; ++unit)
        buffer += unit;
    ASSERT_EQ(buffer.GetLength(), 1000);
    for (int i = 0; i < 500; ++i)
    {
        unsigned short unit;
        std::memcpy(&unit, buffer.GetPtr() + 2 * i, 2);
        ASSERT_EQ(unit, 0x0100 + i);
    }
    EXPECT_EQ(buffer.GetPtr()[1000], 0);
    EXPECT_EQ(buffer.GetPtr()[1001], 0);
}

TEST(GBufferTest, BlockAppendsTakeAThirdMoreThanNeeded)
{
    GBuffer buffer("abc");
    buffer += "defg";
    // need = 3 + 4 + 2 = 9 bytes, a third more is 12.
    EXPECT_EQ(buffer.GetAllocatedLength(), 10);
    EXPECT_EQ(TextOf(buffer), "abcdefg");
    unsigned char const* storage = buffer.GetPtr();
    buffer += "hij";
    EXPECT_EQ(buffer.GetPtr(), storage);
    EXPECT_EQ(TextOf(buffer), "abcdefghij");
}

TEST(GBufferTest, AllocateMakesRoomAndKeepsTheData)
{
    GBuffer buffer("abc");
    buffer.Allocate(100);
    EXPECT_EQ(buffer.GetAllocatedLength(), 100);
    EXPECT_EQ(TextOf(buffer), "abc");
    unsigned char const* storage = buffer.GetPtr();
    buffer.Allocate(50);
    buffer.Allocate(-1);
    EXPECT_EQ(buffer.GetPtr(), storage);

    GBuffer small;
    small.Allocate(2);
    EXPECT_EQ(small.GetAllocatedLength(), 6);
}

TEST(GBufferTest, SetLengthGrowsAndCuts)
{
    GBuffer buffer("hello");
    buffer.SetLength(2);
    EXPECT_EQ(TextOf(buffer), "he");
    EXPECT_EQ(buffer.GetPtr()[2], 0);
    buffer.SetLength(40);
    EXPECT_EQ(buffer.GetLength(), 40);
    EXPECT_GE(buffer.GetAllocatedLength(), 40);
    EXPECT_EQ(std::memcmp(buffer.GetPtr(), "he", 2), 0);
}

// ---- editing

TEST(GBufferTest, ReplacesRemovesAndInserts)
{
    struct Case
    {
        int pos;
        int count;
        char const* with;
        char const* expected;
    };
    Case const cases[] = {
        {0, 0, "X", "Xhello"}, {5, 0, "X", "helloX"},    {1, 3, "", "ho"},         {1, 3, "EY", "hEYo"},
        {0, 5, "", ""},        {2, 1, "LLL", "heLLLlo"}, {0, 5, "world", "world"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.pos << "," << c.count << "," << c.with);
        for (bool roomy : {false, true})
        {
            GBuffer buffer("hello");
            if (roomy)
                buffer.Allocate(64); // the in-place path
            int length =
                buffer.ReplaceByteArray(c.pos, c.count, U(c.with), static_cast<int>(std::strlen(c.with)));
            EXPECT_EQ(length, static_cast<int>(std::strlen(c.expected)));
            EXPECT_EQ(TextOf(buffer), c.expected);
        }
    }
}

TEST(GBufferTest, ReplacementGrowthLeavesAThirdMore)
{
    GBuffer buffer("hello");
    buffer.ReplaceByteArray(5, 0, U(" world"), 6);
    // r = 11: 11 + 13 / 3 + 2 = 17 bytes.
    EXPECT_EQ(buffer.GetAllocatedLength(), 15);
    EXPECT_EQ(TextOf(buffer), "hello world");
}

TEST(GBufferTest, ReplacesWithItsOwnBytes)
{
    GBuffer buffer("abcdef");
    buffer.Allocate(64);
    buffer.Replace(1, 1, buffer);
    EXPECT_EQ(TextOf(buffer), "aabcdefcdef");

    GBuffer tight("abc");
    tight.Replace(0, 0, tight);
    EXPECT_EQ(TextOf(tight), "abcabc");
}

TEST(GBufferTest, AppendsItsOwnBytes)
{
    GBuffer buffer("abc");
    buffer += buffer;
    EXPECT_EQ(TextOf(buffer), "abcabc");
    buffer.Allocate(64);
    buffer += buffer;
    EXPECT_EQ(TextOf(buffer), "abcabcabcabc");
}

TEST(GBufferTest, CopiesOverlappingBytesWithinItsStorage)
{
    GBuffer buffer("0123456789");
    unsigned char const* storage = buffer.GetPtr();
    buffer.CopyByteArray(buffer.GetPtr() + 2, 5, 5);
    EXPECT_EQ(buffer.GetPtr(), storage);
    EXPECT_EQ(TextOf(buffer), "23456");

    GBuffer backwards("0123456789");
    backwards.Allocate(30);
    unsigned char* write = backwards.GetWritePtr();
    backwards.CopyByteArray(write + 1, 9, 9);
    EXPECT_EQ(TextOf(backwards), "123456789");

    // Too little room: a new block is filled from the old one before the old one goes.
    GBuffer growing("0123");
    growing.CopyByteArray(growing.GetPtr(), 6, 6);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(growing.GetPtr()), 6), std::string("0123\0\0", 6));
}

TEST(GBufferTest, CopyOfNothingEmptiesButKeepsStorage)
{
    GBuffer buffer("abc");
    unsigned char const* storage = buffer.GetPtr();
    EXPECT_EQ(buffer.CopyByteArray(nullptr, 3, 3), 0);
    EXPECT_EQ(buffer.GetLength(), 0);
    EXPECT_EQ(buffer.CopyByteArray(U("xyz"), 0, 3), 0);
    EXPECT_EQ(buffer.GetLength(), 0);
    EXPECT_EQ(buffer.CopyByteArray(U("xyz"), 2, 3), 2);
    EXPECT_EQ(buffer.GetPtr(), storage);
    EXPECT_EQ(TextOf(buffer), "xy");
}

// ---- sub-buffers

TEST(GBufferTest, SubBuffersAreCutAtTheEnd)
{
    struct Case
    {
        int pos;
        int len;
        char const* expected;
    };
    Case const cases[] = {
        {2, -1, "llo"}, {4, 10, "o"}, {6, 1, ""}, {5, 1, ""}, {0, 0, ""}, {1, 3, "ell"}, {0, -1, "hello"},
    };
    GBuffer hello("hello");
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.pos << "," << c.len);
        GBuffer sub = hello.GetSubBuffer(c.pos, c.len);
        EXPECT_EQ(TextOf(sub), c.expected);
        GBuffer out("previous contents");
        hello.GetSubBuffer(out, c.pos, c.len);
        EXPECT_EQ(TextOf(out), c.expected);
    }
}

TEST(GBufferTest, SubBufferIsAnOwnedCopyEvenOfBorrowedBytes)
{
    static char text[] = "borrowed";
    GBuffer buffer;
    buffer.SetFromStatic(text);
    GBuffer sub = buffer.GetSubBuffer(0, 3);
    EXPECT_TRUE(sub.IsOwned());
    sub.GetWritePtr()[0] = 'X';
    EXPECT_STREQ(text, "borrowed");

    buffer.GetSubBuffer(buffer, 2, 3);
    EXPECT_EQ(TextOf(buffer), "rro");
    EXPECT_STREQ(text, "borrowed");
}

// ---- searching

TEST(GBufferTest, FindsSubBuffers)
{
    struct Case
    {
        std::string text;
        std::string pattern;
        int start;
        bool wide;
        int expected;
    };
    Case const cases[] = {
        {"hello", "l", 0, false, 2},
        {"hello", "l", 3, false, 3},
        {"hello", "lo", 0, false, 3},
        {"hello", "hello", 0, false, 0},
        {"hello", "hello!", 0, false, -1},
        {"hello", "x", 0, false, -1},
        {"hello", "o", 5, false, -1},
        {"hello", "h", -3, false, 0},
        {"hello", "", 3, false, 0},
        {"", "", 0, false, 0},
        {"", "a", 0, false, -1},
        {std::string("a\0b\0c\0", 6), std::string("c\0", 2), 0, true, 2},
        {std::string("a\0b\0c\0", 6), std::string("b\0", 2), 2, true, -1},
        // "\0b" occurs at byte 1, which is not on a unit boundary.
        {std::string("a\0b\0c\0", 6), std::string("\0b", 2), 0, true, -1},
        {std::string("a\0b\0c\0", 6), std::string("\0b", 2), 0, false, 1},
        {std::string("a\0b\0c\0", 6), std::string("a\0", 2), 3, true, -1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.pattern << "\" from " << c.start
                                        << (c.wide ? " wide" : ""));
        EXPECT_EQ(BufferOf(c.text).FindSubBuffer(BufferOf(c.pattern), c.start, c.wide), c.expected);
    }
}

TEST(GBufferTest, FindsBytesAndSetsOfBytes)
{
    GBuffer buffer("a,b;c,d");
    unsigned char const separators[] = {',', ';'};
    unsigned char const letters[] = {'a', 'b'};
    EXPECT_EQ(buffer.FindFirstOccurrence(static_cast<unsigned char>(','), 0), 1);
    EXPECT_EQ(buffer.FindFirstOccurrence(static_cast<unsigned char>(','), 2), 5);
    EXPECT_EQ(buffer.FindFirstOccurrence(static_cast<unsigned char>('x'), 0), -1);
    EXPECT_EQ(buffer.FindFirstOccurrence(static_cast<unsigned char>('a'), 7), -1);
    EXPECT_EQ(buffer.FindFirstOccurrence(separators, 2, 2), 3);
    EXPECT_EQ(buffer.FindFirstOccurrence(separators, 0, 0), -1);
    EXPECT_EQ(buffer.FindFirstNonOccurrence(letters, 2, 0), 1);
    EXPECT_EQ(buffer.FindFirstNonOccurrence(letters, 0, 4), 4);
    EXPECT_EQ(buffer.FindFirstNonOccurrence(letters, 0, 7), -1);
    EXPECT_EQ(GBuffer("abab").FindFirstNonOccurrence(letters, 2, 0), -1);
    EXPECT_EQ(buffer.FindLastOccurrence(static_cast<unsigned char>(','), 4), 1);
    EXPECT_EQ(buffer.FindLastOccurrence(static_cast<unsigned char>(','), 5), 5);
    EXPECT_EQ(buffer.FindLastOccurrence(static_cast<unsigned char>(','), 100), 5);
    EXPECT_EQ(buffer.FindLastOccurrence(static_cast<unsigned char>(','), 0), -1);
    EXPECT_EQ(buffer.FindLastOccurrence(static_cast<unsigned char>('a'), -1), -1);
    EXPECT_EQ(GBuffer().FindLastOccurrence(static_cast<unsigned char>('a'), 5), -1);
}

TEST(GBufferTest, FindsUnitsAndSetsOfUnits)
{
    std::vector<unsigned short> units = {0x0041, 0x2022, 0x0042, 0x2022, 0x0043};
    GBuffer buffer(reinterpret_cast<unsigned char const*>(units.data()), 10);
    unsigned short const bullet = 0x2022;
    unsigned short const letters[] = {0x0041, 0x0042};
    EXPECT_EQ(buffer.FindFirstOccurrence(bullet, 0), 1);
    EXPECT_EQ(buffer.FindFirstOccurrence(bullet, 2), 3);
    EXPECT_EQ(buffer.FindFirstOccurrence(bullet, 5), -1);
    EXPECT_EQ(buffer.FindFirstOccurrence(static_cast<unsigned short>(0x4100), 0), -1);
    EXPECT_EQ(buffer.FindFirstOccurrence(letters, 2, 1), 2);
    EXPECT_EQ(buffer.FindFirstOccurrence(letters, 0, 0), -1);
    EXPECT_EQ(buffer.FindFirstNonOccurrence(letters, 2, 2), 3);
    EXPECT_EQ(buffer.FindFirstNonOccurrence(letters, 0, 2), 2);
    EXPECT_EQ(buffer.FindFirstNonOccurrence(letters, 0, 5), -1);
    EXPECT_EQ(buffer.FindLastOccurrence(bullet, 4), 3);
    EXPECT_EQ(buffer.FindLastOccurrence(bullet, 2), 1);
    EXPECT_EQ(buffer.FindLastOccurrence(bullet, 50), 3);
    EXPECT_EQ(buffer.FindLastOccurrence(static_cast<unsigned short>(0x0041), 0), 0);
}

TEST(GBufferTest, FindAndReplaceResumesAfterEachReplacement)
{
    struct Case
    {
        char const* text;
        int start;
        char const* find;
        char const* repl;
        bool found;
        char const* expected;
    };
    Case const cases[] = {
        {"aXa", 0, "a", "aa", true, "aaXaa"},
        {"aaa", 0, "a", "aa", true, "aaaaaa"},
        {"aaaa", 0, "aa", "a", true, "aa"},
        {"abab", 0, "ab", "", true, ""},
        {"abcabc", 1, "abc", "x", true, "abcx"},
        {"hello", 0, "l", "LL", true, "heLLLLo"},
        {"hello", 0, "x", "y", false, "hello"},
        {"hello", 9, "l", "y", false, "hello"},
        {"", 0, "a", "b", false, ""},
        // An empty pattern is never found, so nothing changes (it used to loop at one place).
        {"hello", 0, "", "x", false, "hello"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << c.text << ": " << c.find << " -> " << c.repl << " from " << c.start);
        GBuffer buffer(c.text);
        EXPECT_EQ(buffer.FindAndReplace(c.start, GBuffer(c.find), GBuffer(c.repl)), c.found);
        EXPECT_EQ(TextOf(buffer), c.expected);
    }
}

TEST(GBufferTest, FindAndReplaceWorksWithItselfAsPatternOrReplacement)
{
    GBuffer buffer("ab");
    EXPECT_TRUE(buffer.FindAndReplace(0, GBuffer("b"), buffer));
    EXPECT_EQ(TextOf(buffer), "aab");
    EXPECT_TRUE(buffer.FindAndReplace(0, buffer, GBuffer("z")));
    EXPECT_EQ(TextOf(buffer), "z");
}

TEST(GBufferTest, FindAndReplaceOfBytes)
{
    GBuffer buffer("a-b-c");
    EXPECT_TRUE(buffer.FindAndReplace(2, '-', '+'));
    EXPECT_EQ(TextOf(buffer), "a-b+c");
    EXPECT_FALSE(buffer.FindAndReplace(0, 'x', 'y'));
    EXPECT_EQ(TextOf(buffer), "a-b+c");
}

// ---- order and hash

TEST(GBufferTest, OrdersByUnsignedBytesThenLength)
{
    // Ascending; 0x80 sorts after letters only when bytes are compared unsigned.
    std::vector<GBuffer> const ordered = {GBuffer(),       GBuffer("\x01"),     GBuffer("A"),
                                          GBuffer("ab"),   GBuffer("abc"),      GBuffer("b"),
                                          GBuffer("\x80"), GBuffer("\x80\x01"), GBuffer("\xff")};
    for (std::size_t i = 0; i < ordered.size(); ++i)
        for (std::size_t j = 0; j < ordered.size(); ++j)
        {
            SCOPED_TRACE(testing::Message() << i << " vs " << j);
            GBuffer const& a = ordered[i];
            GBuffer const& b = ordered[j];
            EXPECT_EQ(a < b, i < j);
            EXPECT_EQ(a > b, i > j);
            EXPECT_EQ(a <= b, i <= j);
            EXPECT_EQ(a >= b, i >= j);
            EXPECT_EQ(a == b, i == j);
            EXPECT_EQ(a != b, i != j);
        }
}

TEST(GBufferTest, EqualityIncludesBytesAfterAZero)
{
    EXPECT_NE(BufferOf(std::string("a\0b", 3)), BufferOf(std::string("a\0c", 3)));
    EXPECT_EQ(BufferOf(std::string("a\0b", 3)), BufferOf(std::string("a\0b", 3)));
    EXPECT_LT(BufferOf(std::string("a\0b", 3)), BufferOf(std::string("a\0c", 3)));
    EXPECT_NE(BufferOf(std::string("a\0", 2)), GBuffer("a"));
}

TEST(GBufferTest, HashIsMurmurHash2WithSeedZero)
{
    // Worked out apart from this code with a line-by-line rendering of the published algorithm.
    struct Case
    {
        std::string bytes;
        unsigned int hash;
    };
    Case const cases[] = {
        {"", 0x0u},
        {"a", 0x92685f5eu},
        {"ab", 0x1aa14063u},
        {"abc", 0x13577c9bu},
        {"abcd", 0x26873021u},
        {"hello", 0xe56129cbu},
        {"The quick brown fox jumps over the lazy dog", 0x212729d0u},
        {"\xff", 0x9ed86aeau},
        {"\x80\xfe\xff", 0x3693b24eu},
        {std::string(4, '\0'), 0xb469b2ccu},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(static_cast<unsigned int>(BufferOf(c.bytes).GetHash()), c.hash);
    }
}

TEST(GBufferTest, HashIgnoresOwnership)
{
    static char const text[] = "shared text";
    GBuffer borrowed;
    borrowed.SetFromStatic(text);
    EXPECT_EQ(borrowed.GetHash(), GBuffer(text).GetHash());
}

// ---- sizes beyond the 31-bit capacity

class GBufferLimitTest : public testing::Test
{
protected:
    // Borrows a few real bytes under a huge declared length. Every operation below must refuse
    // the size before it reads or writes a byte: AddressSanitizer reports any access beyond fBytes.
    void BorrowWithLength(GBuffer& buffer, int length) { buffer.SetFromStatic(fBytes, length, length); }

    char fBytes[8] = "bytes";
};

TEST_F(GBufferLimitTest, GrowthBeyondTheCapacityLimitThrowsBeforeTouchingMemory)
{
    struct Case
    {
        char const* name;
        int length;
        void (*grow)(GBuffer&);
    };
    Case const cases[] = {
        // length + len + 2 is beyond the limit.
        {"append past the limit", INT_MAX - 10,
         [](GBuffer& b) { b.AppendByteArray(U("0123456789abcdef"), 16); }},
        // The need fits; the third added for growth would have wrapped round in 32 bits.
        {"append growth", 1700000000, [](GBuffer& b) { b.AppendByteArray(U("x"), 1); }},
        {"text append growth", 1700000000, [](GBuffer& b) { b += "x"; }},
        {"byte append growth", 1700000000, [](GBuffer& b) { b += static_cast<unsigned char>('x'); }},
        {"unit append growth", 1700000000, [](GBuffer& b) { b += static_cast<unsigned short>(1); }},
        {"replace growth", 1700000000, [](GBuffer& b) { b.ReplaceByteArray(0, 0, U("x"), 1); }},
        {"remove growth", 1700000000, [](GBuffer& b) { b.Remove(0, 1); }},
        {"write pointer", INT_MAX, [](GBuffer& b) { b.GetWritePtr(); }},
        {"allocate", 1, [](GBuffer& b) { b.Allocate(INT_MAX); }},
        {"set length", 1, [](GBuffer& b) { b.SetLength(INT_MAX - 1); }},
        {"copy", 1, [](GBuffer& b) { b.CopyByteArray(U("x"), INT_MAX, INT_MAX); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GBuffer buffer;
        BorrowWithLength(buffer, c.length);
        EXPECT_THROW(c.grow(buffer), GMemoryException);
        EXPECT_EQ(buffer.GetLength(), c.length);
        EXPECT_FALSE(buffer.IsOwned());
    }
}

TEST_F(GBufferLimitTest, OutOfMemoryIsAlsoAStandardBadAlloc)
{
    GBuffer buffer;
    EXPECT_THROW(buffer.Allocate(INT_MAX - 1), std::bad_alloc);
    EXPECT_EQ(buffer.GetLength(), 0);
}
