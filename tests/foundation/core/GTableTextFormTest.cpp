// The text form of a table of strings: written and read back in each encoding, the block's edge
// cases, the string form with its byte-order mark, and damaged or cut-off text.
#include <gtest/gtest.h>

#include "LineEndingScope.h"
#include "TextFormTestSupport.h"

#include <random>
#include <string>
#include <vector>

#include "GBin2TextStream.h"
#include "GBufferSupport.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GString.h"
#include "GTable.h"
#include "GText2BinStream.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using namespace textformtest;

std::vector<std::u16string> ItemsOf(GTable<GString> const& table)
{
    std::vector<std::u16string> items;
    for (int i = 0; i < table.GetCount(); ++i)
        items.push_back(U16(table[i]));
    return items;
}

GTable<GString> TableOf(std::vector<std::u16string> const& items)
{
    GTable<GString> table;
    for (std::u16string const& item : items)
        table.AddItem(StringOf(item));
    return table;
}

// Reads a table from bytes, the encoding detected from the mark; the table starts non-empty, so
// that ReadFrom must empty it.
std::vector<std::u16string> ReadBack(GBuffer const& bytes, GEncoding* encoding = nullptr)
{
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, encoding);
    GTable<GString> table;
    table.AddItem(GString("left over"));
    table.ReadFrom(reader);
    return ItemsOf(table);
}

class GTableTextFormTest : public ::testing::Test
{
protected:
    testsupport::LineEndingScope fLineEnding{true, false};
};

// Items that exercise the escapes, the chunks of the reader and the keywords.
std::vector<std::u16string> const cItems = {
    u"",
    u"plain",
    u"with \"quotes\" inside",
    u"back\\slash \\n not an escape",
    u"tab\there",
    u"line\rbreak",
    u"  blanks around  ",
    u"#ENDTABLE",
    u"\"",
    std::u16string(300, u'x') + u"\\\"\t" + std::u16string(300, u'y'),
    // Combining marks after an escaped character stay apart from the escape's letter.
    u"tab\t\u0301 line\r\u0300",
};
} // namespace

TEST_F(GTableTextFormTest, WrittenTableReadsBackItemForItem)
{
    for (WriterCase const& c : WriterCases())
    {
        SCOPED_TRACE(c.fLabel);
        std::vector<std::u16string> items = cItems;
        items.push_back(c.fExtra);
        GBuffer bytes = Written(TableOf(items), c.fEncoding);
        // Only UTF-16 is recognised by its mark; the UTF-8 writer writes none.
        GEncoding* given = c.fEncoding == GUnicodeEncoding::GetInstance() ? nullptr : c.fEncoding;
        for (std::u16string& item : items)
            item = HeldBy(item, c.fEncoding);
        EXPECT_EQ(ReadBack(bytes, given), items);
    }
}

TEST_F(GTableTextFormTest, LinesEndInACarriageReturnAlone)
{
    GTable<GString> table = TableOf({u"a", u"b\tc"});
    GBuffer bytes = Written(table, GUTF8Encoding::GetInstance());
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(bytes.GetPtr()), bytes.GetLength()),
              "#BEGINTABLE\r\"a\"\r\"b\\tc\"\r#ENDTABLE\r");

    GBuffer wide = Written(table, GUnicodeEncoding::GetInstance());
    ASSERT_GE(wide.GetLength(), 4);
    EXPECT_EQ(wide.GetPtr()[0], 0xFF);
    EXPECT_EQ(wide.GetPtr()[1], 0xFE);
    EXPECT_EQ(ReadBack(wide), ItemsOf(table));
}

TEST_F(GTableTextFormTest, EveryLineBreakInAnItemReadsAsThePlatformLineEnd)
{
    GBuffer bytes = Written(TableOf({u"a\nb", u"c\r\nd", u"e\n\rf", u"g\rh"}), GUTF8Encoding::GetInstance());
    std::vector<std::u16string> const expected = {u"a\rb", u"c\rd", u"e\rf", u"g\rh"};
    EXPECT_EQ(ReadBack(bytes, GUTF8Encoding::GetInstance()), expected);
}

TEST_F(GTableTextFormTest, ReadsTheBlockAsFarAsItIsWellFormed)
{
    struct ReadCase
    {
        char const* fLabel;
        std::string fText;
        std::vector<std::u16string> fItems;
    };
    std::vector<ReadCase> const cases = {
        {"no block", "\"a\"\r#ENDTABLE\r", {}},
        {"another keyword", "#BEGINDICT\r\"a\"\r", {}},
        {"empty input", "", {}},
        {"empty block", "#BEGINTABLE\r#ENDTABLE\r", {}},
        {"no end", "#BEGINTABLE\r\"a\"\r\"b\"\r", {u"a", u"b"}},
        {"no end, no last line end", "#BEGINTABLE\r\"a\"\r\"b\"", {u"a", u"b"}},
        {"unterminated item", "#BEGINTABLE\r\"a\"\r\"b", {u"a"}},
        {"a line that is no item ends it", "#BEGINTABLE\r\"a\"\rjunk\r\"b\"\r#ENDTABLE\r", {u"a"}},
        {"an empty line ends it", "#BEGINTABLE\r\"a\"\r\r\"b\"\r#ENDTABLE\r", {u"a"}},
        {"the rest of an item's line is dropped",
         "#BEGINTABLE\r\"a\" junk \"x\"\r\t \"b\"\r#ENDTABLE\r",
         {u"a", u"b"}},
        {"CR LF line ends", "#BEGINTABLE\r\n\"a\"\r\n\"b\"\r\n#ENDTABLE\r\n", {u"a", u"b"}},
        {"LF line ends", "#BEGINTABLE\n\"a\"\n\"b\"\n#ENDTABLE\n", {u"a", u"b"}},
        {"white space before the block", "\r\n  #BEGINTABLE\r\n\r\n\"a\"\r#ENDTABLE", {u"a"}},
        {"an item spanning lines", "#BEGINTABLE\r\"a\rb\"\r#ENDTABLE\r", {u"a\rb"}},
    };
    for (ReadCase const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(ReadBack(BufferOf(c.fText)), c.fItems);
    }
}

TEST_F(GTableTextFormTest, LeavesTheReaderAfterTheBlock)
{
    GBuffer bytes = BufferOf("#BEGINTABLE\r\"a\"\r#ENDTABLE trailing\rnext line\r");
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, nullptr);
    GTable<GString> table;
    table.ReadFrom(reader);
    EXPECT_EQ(ItemsOf(table), std::vector<std::u16string>{u"a"});
    GString line;
    EXPECT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(U16(line), u"next line");
}

TEST_F(GTableTextFormTest, StringFormBeginsWithTheByteOrderMarkAndReadsBack)
{
    GTable<GString> table = TableOf(cItems);
    GString text;
    table.ToString(text);
    EXPECT_EQ(text.GetEncoding().Get(), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(U16(text).substr(0, 13), u"\ufeff#BEGINTABLE\r");

    GTable<GString> back;
    back.AddItem(GString("left over"));
    back.FromString(text);
    EXPECT_EQ(ItemsOf(back), cItems);

    // A text without the mark, as a caller may build it, reads as well (kept uncomposed, as the
    // text form is).
    back.FromString(GString(U16(text).substr(1).c_str(), false));
    EXPECT_EQ(ItemsOf(back), cItems);
}

TEST_F(GTableTextFormTest, FromStringMayReadOneOfTheTablesOwnItems)
{
    GTable<GString> inner = TableOf({u"x", u"y"});
    GString text;
    inner.ToString(text);
    GTable<GString> table;
    table.AddItem(text);
    table.FromString(table[0]);
    EXPECT_EQ(ItemsOf(table), (std::vector<std::u16string>{u"x", u"y"}));
}

// Every cut of a written table, in both an 8-bit and the UTF-16 form (cuts in the middle of a unit
// included): the items read are the written ones up to some point, and more text never gives fewer.
TEST_F(GTableTextFormTest, CutOffTextKeepsTheItemsBeforeTheCut)
{
    for (GEncoding* encoding : {static_cast<GEncoding*>(GUTF8Encoding::GetInstance()),
                                static_cast<GEncoding*>(GUnicodeEncoding::GetInstance())})
    {
        SCOPED_TRACE(encoding == GUnicodeEncoding::GetInstance() ? "UTF-16" : "UTF-8");
        std::vector<std::u16string> const items = {u"one", u"t\"w\"o", u"th\\ree", u"", u"f\tive\r"};
        GBuffer const bytes = Written(TableOf(items), encoding);
        GEncoding* given = encoding == GUnicodeEncoding::GetInstance() ? nullptr : encoding;
        std::size_t previous = 0;
        for (int cut = 0; cut <= bytes.GetLength(); ++cut)
        {
            SCOPED_TRACE("cut at " + std::to_string(cut));
            std::vector<std::u16string> read = ReadBack(bytes.GetSubBuffer(0, cut), given);
            ASSERT_LE(read.size(), items.size());
            EXPECT_TRUE(std::equal(read.begin(), read.end(), items.begin()));
            EXPECT_GE(read.size(), previous);
            previous = read.size();
        }
        EXPECT_EQ(previous, items.size());
    }
}

// One damaged byte anywhere: no crash, and every item whose line lies wholly before the damage is
// read as written.
TEST_F(GTableTextFormTest, DamagedByteKeepsTheItemsBeforeIt)
{
    std::vector<std::u16string> items;
    for (int i = 0; i < 12; ++i)
        items.push_back(u"item " + std::u16string(static_cast<std::size_t>(i), u'\\') + u"\"\t" +
                        std::u16string(1, static_cast<char16_t>(u'a' + i)));
    GBuffer const bytes = Written(TableOf(items), GUTF8Encoding::GetInstance());
    std::string const text(reinterpret_cast<char const*>(bytes.GetPtr()), bytes.GetLength());
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round)
    {
        std::string damaged = text;
        std::size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(random());
        SCOPED_TRACE("byte " + std::to_string(at));
        // Lines wholly before the damage: count the line ends before it, less the header line.
        std::size_t intact = 0;
        for (std::size_t i = 0; i < at; ++i)
            intact += text[i] == '\r';
        intact = intact > 0 ? std::min(intact - 1, items.size()) : 0;
        std::vector<std::u16string> read = ReadBack(BufferOf(damaged), GUTF8Encoding::GetInstance());
        ASSERT_GE(read.size(), intact);
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + static_cast<long>(intact), items.begin()));
    }
}
