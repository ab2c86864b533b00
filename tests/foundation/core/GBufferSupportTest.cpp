// Byte-buffer helpers: swapping the bytes of 16-bit units.
#include "GBufferSupport.h"

#include <string>

#include <gtest/gtest.h>

#include "GBuffer.h"

namespace
{
std::string Text(GBuffer const& buffer)
{
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()),
                       static_cast<std::size_t>(buffer.GetLength()));
}
} // namespace

TEST(GBufferSupportTest, SwapsEveryUnitAndLeavesAnOddLastByte)
{
    struct Case
    {
        char const* before;
        char const* after;
    };
    Case const cases[] = {{"", ""}, {"a", "a"}, {"ab", "ba"}, {"abc", "bac"}, {"abcd", "badc"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before);
        GBuffer unicode(c.before);
        GBufferSupport::SwapUnicodeBytes(unicode);
        EXPECT_EQ(Text(unicode), c.after);
        GBuffer bigEndian(c.before);
        GBufferSupport::SwapBigEndian(bigEndian);
        EXPECT_EQ(Text(bigEndian), c.after);
    }
}

TEST(GBufferSupportTest, SwappingCopiesBorrowedBytesFirst)
{
    char text[] = "abcd";
    for (void (*swap)(GBuffer&) : {&GBufferSupport::SwapUnicodeBytes, &GBufferSupport::SwapBigEndian})
    {
        GBuffer buffer;
        buffer.SetFromStatic(text);
        swap(buffer);
        EXPECT_EQ(Text(buffer), "badc");
        EXPECT_STREQ(text, "abcd");
    }
}
