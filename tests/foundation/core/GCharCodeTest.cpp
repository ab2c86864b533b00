// Character codes: byte order of integer codes, inline and allocated storage, stepping and order.
#include "GCharCode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GAllocator.h"
#include "GBuffer.h"
#include "GSimpleException.h"

namespace
{
std::vector<unsigned char> BytesOf(GCharCode const& code)
{
    return std::vector<unsigned char>(code.Get(), code.Get() + code.GetLength());
}

std::vector<unsigned char> BytesOf(GBuffer const& buffer)
{
    return std::vector<unsigned char>(buffer.GetPtr(), buffer.GetPtr() + buffer.GetLength());
}

GCharCode CodeOf(std::vector<unsigned char> const& bytes)
{
    return GCharCode(bytes.data(), static_cast<int>(bytes.size()));
}

using Bytes = std::vector<unsigned char>;
} // namespace

TEST(GCharCodeTest, IntegerCodesAreStoredMostSignificantFirst)
{
    GCharCode e(static_cast<unsigned short>(0x00E9));
    EXPECT_EQ(BytesOf(e), (Bytes{0x00, 0xE9}));
    EXPECT_EQ(static_cast<unsigned short>(e), 0x00E9);

    GCharCode three(0x12345678u, 3);
    EXPECT_EQ(BytesOf(three), (Bytes{0x34, 0x56, 0x78}));
    EXPECT_EQ(static_cast<unsigned int>(three), 0x345678u);

    GCharCode four(0xCAFEBABEu, 4);
    EXPECT_EQ(BytesOf(four), (Bytes{0xCA, 0xFE, 0xBA, 0xBE}));
    EXPECT_EQ(static_cast<unsigned int>(four), 0xCAFEBABEu);
}

TEST(GCharCodeTest, UnicodeIsHandedOutInMachineOrder)
{
    GCharCode e(static_cast<unsigned short>(0x00E9));
    GBuffer utf16;
    e.GetUnicode(utf16);
    unsigned short const machine = 0x00E9;
    EXPECT_EQ(BytesOf(utf16), Bytes(reinterpret_cast<unsigned char const*>(&machine),
                                    reinterpret_cast<unsigned char const*>(&machine) + 2));
    EXPECT_EQ(BytesOf(utf16), (Bytes{0xE9, 0x00}));

    GCharCode back;
    back.SetUnicode(utf16);
    EXPECT_EQ(back, e);
    EXPECT_EQ(BytesOf(utf16), (Bytes{0xE9, 0x00})) << "SetUnicode must not swap the caller's buffer";

    // Two units: each is swapped on its own.
    unsigned short const pair[] = {0xD83D, 0xDE00};
    GBuffer surrogates(reinterpret_cast<unsigned char const*>(pair), 4);
    GCharCode code;
    code.SetUnicode(surrogates);
    EXPECT_EQ(BytesOf(code), (Bytes{0xD8, 0x3D, 0xDE, 0x00}));
    GBuffer again;
    code.GetUnicode(again);
    EXPECT_EQ(again, surrogates);
}

TEST(GCharCodeTest, MinimumLengthHoldsTheValue)
{
    struct Case
    {
        unsigned int value;
        int length;
    };
    Case const cases[] = {{0, 1},     {255, 1},      {256, 2},      {65535, 2},
                          {65536, 3}, {16777215, 3}, {16777216, 4}, {0xFFFFFFFFu, 4}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.value);
        GCharCode code;
        code.SetWithMinLength(c.value);
        EXPECT_EQ(code.GetLength(), c.length);
        EXPECT_EQ(static_cast<unsigned int>(code), c.value);
    }
}

TEST(GCharCodeTest, IntegerLengthOutsideZeroToFourChangesNothing)
{
    GCharCode code(static_cast<unsigned char>('x'));
    code.Set(0x41u, 5);
    code.Set(0x41u, -1);
    EXPECT_EQ(BytesOf(code), (Bytes{'x'}));
    code.Set(0x41u, 0);
    EXPECT_EQ(code.GetLength(), 0);
    EXPECT_EQ(GCharCode(0x41u, 7).GetLength(), 0);
}

TEST(GCharCodeTest, IntegerReadingsDependOnLength)
{
    struct Case
    {
        Bytes bytes;
        unsigned int asByte;
        unsigned int asShort;
        unsigned int asInt;
    };
    Case const cases[] = {
        {{}, 0, 0, 0},
        {{0x41}, 0x41, 0x41, 0x41},
        {{0x01, 0x41}, 0, 0x0141, 0x0141},
        {{0x01, 0x02, 0x03}, 0, 0, 0x010203},
        {{0x01, 0x02, 0x03, 0x04}, 0, 0, 0x01020304},
        {{0x01, 0x02, 0x03, 0x04, 0x05}, 0, 0, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.bytes.size());
        GCharCode code = CodeOf(c.bytes);
        EXPECT_EQ(static_cast<unsigned char>(code), c.asByte);
        EXPECT_EQ(static_cast<unsigned short>(code), c.asShort);
        EXPECT_EQ(static_cast<unsigned int>(code), c.asInt);
    }
}

TEST(GCharCodeTest, DifferenceOfIntegerValues)
{
    GCharCode a(static_cast<unsigned char>(0x41));
    GCharCode b(static_cast<unsigned short>(0x0142));
    GCharCode longCode = CodeOf({1, 2, 3, 4, 5});
    EXPECT_EQ(b - a, 0x101);
    EXPECT_EQ(a - b, -0x101);
    EXPECT_EQ(longCode - a, -0x41);
    EXPECT_EQ(a - GCharCode(), 0x41);
}

TEST(GCharCodeTest, StepsWrapWithinTheirLength)
{
    struct Case
    {
        Bytes before;
        unsigned int n;
        Bytes after;
    };
    Case const cases[] = {
        {{0xFF}, 1, {0x00}},
        {{0x41}, 0, {0x41}},
        {{0x41}, 2, {0x43}},
        {{0x00, 0xFF}, 1, {0x01, 0x00}},
        {{0xFF, 0xFF}, 2, {0x00, 0x01}},
        {{0x12, 0x34, 0x56, 0x78}, 0x01010101u, {0x13, 0x35, 0x57, 0x79}},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 1, {0x00, 0x00, 0x00, 0x00}},
        // Longer codes count up as big-endian numbers; a carry out of the first byte is dropped.
        {{0, 0, 0, 0, 0xFF}, 1, {0, 0, 0, 1, 0}},
        {{0, 0, 0xFF, 0xFF, 0xFF}, 1, {0, 1, 0, 0, 0}},
        {{0, 0, 0, 0, 0}, 0x01020304u, {0, 1, 2, 3, 4}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 2, {0, 0, 0, 0, 1}},
        {{0, 0, 0, 0, 0}, 0xFFFFFFFFu, {0, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{0, 0, 0, 0, 1}, 0xFFFFFFFFu, {1, 0, 0, 0, 0}},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xFF}, 0x101u, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 0}},
        {{}, 5, {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.before.size() << " bytes + " << c.n);
        GCharCode code = CodeOf(c.before);
        code += c.n;
        EXPECT_EQ(BytesOf(code), c.after);
    }
}

TEST(GCharCodeTest, OrdersByLengthThenBytes)
{
    std::vector<GCharCode> const ordered = {
        GCharCode(),
        GCharCode(static_cast<unsigned char>(0x00)),
        GCharCode(static_cast<unsigned char>(0xFF)),
        GCharCode(static_cast<unsigned short>(0x0000)),
        GCharCode(static_cast<unsigned short>(0x0041)),
        GCharCode(static_cast<unsigned short>(0x0042)),
        GCharCode(static_cast<unsigned short>(0x8000)),
        GCharCode(0x000000u, 3),
        CodeOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
        CodeOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}),
    };
    for (std::size_t i = 0; i < ordered.size(); ++i)
        for (std::size_t j = 0; j < ordered.size(); ++j)
        {
            SCOPED_TRACE(testing::Message() << i << " vs " << j);
            GCharCode const& a = ordered[i];
            GCharCode const& b = ordered[j];
            EXPECT_EQ(a < b, i < j);
            EXPECT_EQ(a > b, i > j);
            EXPECT_EQ(a <= b, i <= j);
            EXPECT_EQ(a >= b, i >= j);
            EXPECT_EQ(a == b, i == j);
            EXPECT_EQ(a != b, i != j);
        }
}

TEST(GCharCodeTest, HashIsTheValueOrTheBufferHash)
{
    EXPECT_EQ(GCharCode().GetHash(), 0u);
    EXPECT_EQ(GCharCode(static_cast<unsigned char>(0x41)).GetHash(), 0x41u);
    EXPECT_EQ(GCharCode(0xCAFEBABEu, 4).GetHash(), 0xCAFEBABEu);
    Bytes five = {1, 2, 3, 4, 5};
    EXPECT_EQ(CodeOf(five).GetHash(), static_cast<unsigned int>(GBuffer(five.data(), 5).GetHash()));
    Bytes twenty(20, 0x7A);
    EXPECT_EQ(CodeOf(twenty).GetHash(), static_cast<unsigned int>(GBuffer(twenty.data(), 20).GetHash()));
}

TEST(GCharCodeTest, KeepsBytesOfEveryLength)
{
    for (int length : {1, 4, 5, 11, 12, 13, 100, 255})
    {
        SCOPED_TRACE(length);
        Bytes bytes(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 7 + length);
        GCharCode code = CodeOf(bytes);
        EXPECT_EQ(BytesOf(code), bytes);

        GCharCode copy(code);
        GCharCode assigned(static_cast<unsigned char>(1));
        assigned = code;
        GCharCode moved(std::move(copy));
        EXPECT_EQ(BytesOf(assigned), bytes);
        EXPECT_EQ(BytesOf(moved), bytes);
        EXPECT_EQ(copy.GetLength(), 0);

        GBuffer out;
        code.Get(out);
        EXPECT_EQ(BytesOf(out), bytes);
        GCharCode fromBuffer(out);
        EXPECT_EQ(fromBuffer, code);

        GBuffer appended("<");
        appended += code;
        EXPECT_EQ(appended.GetLength(), length + 1);
        EXPECT_EQ(BytesOf(appended.GetSubBuffer(1, -1)), bytes);

        code = code;
        code.Set(code.Get(), code.GetLength());
        EXPECT_EQ(BytesOf(code), bytes);
    }
}

TEST(GCharCodeTest, CodesOfTwelveBytesOrMoreLiveInAnAllocatorBlock)
{
    GAllocator* allocator = GAllocator::GetInstance();
    Bytes eleven(11, 0x11);
    Bytes twelve(12, 0x12);

    GCharCode code = CodeOf(eleven);
    int frees = allocator->GetFreeCounter();
    code.Set(static_cast<unsigned char>(1));
    EXPECT_EQ(allocator->GetFreeCounter(), frees) << "an 11-byte code is held inline";

    code = CodeOf(twelve);
    frees = allocator->GetFreeCounter();
    code.Set(static_cast<unsigned char>(1));
    EXPECT_EQ(allocator->GetFreeCounter(), frees + 1) << "setting a short code frees the block";
    EXPECT_EQ(BytesOf(code), (Bytes{1}));

    code = CodeOf(twelve);
    frees = allocator->GetFreeCounter();
    code.Clear();
    EXPECT_EQ(allocator->GetFreeCounter(), frees + 1);
    EXPECT_EQ(code.GetLength(), 0);
}

TEST(GCharCodeTest, RefusesCodesLongerThanItsLengthByte)
{
    Bytes tooLong(256, 0x55);
    GCharCode code(static_cast<unsigned short>(0x1234));
    try
    {
        code.Set(tooLong.data(), 256);
        FAIL() << "a 256-byte code was taken";
    }
    catch (GSimpleException const& e)
    {
        EXPECT_EQ(e.GetExceptionID(), 2462);
    }
    EXPECT_EQ(BytesOf(code), (Bytes{0x12, 0x34}));

    GBuffer buffer(tooLong.data(), 256);
    EXPECT_THROW(code.Set(buffer), GSimpleException);
    EXPECT_THROW(code.SetUnicode(buffer), GSimpleException);
    EXPECT_THROW(GCharCode{buffer}, GSimpleException);
    EXPECT_EQ(BytesOf(code), (Bytes{0x12, 0x34}));
}

TEST(GCharCodeTest, EmptyInputGivesAnEmptyCode)
{
    GCharCode code(static_cast<unsigned char>('x'));
    code.Set(nullptr, 3);
    EXPECT_EQ(code.GetLength(), 0);
    code.Set(static_cast<unsigned char>('x'));
    code.Set(reinterpret_cast<unsigned char const*>("abc"), 0);
    EXPECT_EQ(code.GetLength(), 0);
    code.Set(GBuffer());
    EXPECT_EQ(code.GetLength(), 0);
    EXPECT_EQ(code, GCharCode());
    GBuffer out("stale");
    code.Get(out);
    EXPECT_EQ(out.GetLength(), 0);
}
