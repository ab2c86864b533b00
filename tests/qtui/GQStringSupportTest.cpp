// Text crossing between Qt and the foundation: encodings on each side, line ends made LF into Qt
// only, where the 8-bit forms stop, and null against empty.
#include <gtest/gtest.h>

#include "BufferText.h"
#include "GMacRomanEncoding.h"
#include "GQStringSupport.h"
#include "GStringPool.h"
#include "GStringPoolTable.h"
#include "GUnicodeEncoding.h"
#include "StringText.h"

using testsupport::BufferOf;
using testsupport::Utf8Of;

namespace
{
QString Q(char16_t const* units)
{
    return QString::fromUtf16(units);
}

GString UnitsOf(std::u16string const& units)
{
    return GString(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2),
                   GUnicodeEncoding::GetInstance(), false);
}

std::u16string UnitsOf(QString const& text)
{
    return std::u16string(reinterpret_cast<char16_t const*>(text.utf16()), std::size_t(text.size()));
}
} // namespace

TEST(GQStringSupportTest, LineEndsBecomeLineFeedsIntoQtFromStringsAndBuffers)
{
    struct Case
    {
        std::string text;
        std::u16string expected;
    } const cases[] = {
        {"a\r\nb\rc\n", u"a\nb\nc\n"},
        {"x\r\r\ny", u"x\n\ny"},
        {"\r", u"\n"},
        {"\r\n\r\n", u"\n\n"},
        {"\n\r", u"\n\n"},
        {"plain", u"plain"},
        {"", u""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(UnitsOf(GQStringSupport::ToQString(testsupport::TextOf(c.text))), c.expected);
        EXPECT_EQ(UnitsOf(GQStringSupport::ToQString(BufferOf(c.text))), c.expected);
    }
}

TEST(GQStringSupportTest, LongTextWithLineEndsInEveryPlaceOfABlockConverts)
{
    // The scan works on blocks of units: a CR or a zero at each position of a block must be seen.
    for (int at = 0; at < 40; ++at)
    {
        SCOPED_TRACE(at);
        std::u16string text(40, u'a');
        text[std::size_t(at)] = u'\r';
        std::u16string expected = text;
        expected[std::size_t(at)] = u'\n';
        EXPECT_EQ(UnitsOf(GQStringSupport::ToQString(UnitsOf(text))), expected);

        std::u16string withZero(40, u'b');
        withZero[std::size_t(at)] = u'\0';
        EXPECT_EQ(UnitsOf(GQStringSupport::ToQString(UnitsOf(withZero))),
                  std::u16string(std::size_t(at), u'b'));
    }
}

TEST(GQStringSupportTest, TextComesBackFromQtWithItsLineEndsUnchanged)
{
    QString const text = Q(u"a\r\nb\rc");
    EXPECT_EQ(Utf8Of(GQStringSupport::ToGString(text, false)), "a\r\nb\rc");
    EXPECT_EQ(testsupport::TextOf(GQStringSupport::ToGBuffer(text)), "a\r\nb\rc");
    EXPECT_EQ(*GQStringSupport::ToGName(text).GetBuffer(), GBuffer("a\r\nb\rc"));
}

TEST(GQStringSupportTest, TextRoundTripsThroughEveryFoundationForm)
{
    // Accented, Greek, Japanese, an emoji outside the Basic Multilingual Plane.
    QString const text = Q(u"Caf\u00e9 \u03b1\u03b2 \u65e5\u672c \U0001F600");
    GString const string = GQStringSupport::ToGString(text, true);
    EXPECT_EQ(string.GetEncoding().Get(), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(string.GetBuffer(GUnicodeEncoding::GetInstance()).GetLength(), text.size() * 2);
    EXPECT_EQ(GQStringSupport::ToQString(string), text);
    EXPECT_EQ(GQStringSupport::ToQString(GQStringSupport::ToGBuffer(text)), text);
    EXPECT_EQ(GQStringSupport::ToQString(GQStringSupport::ToGName(text)), text);
    EXPECT_EQ(GQStringSupport::ToQString(GQStringSupport::ToGPathName(text, true)), text);
    EXPECT_EQ(Utf8Of(string), text.toStdString());
}

TEST(GQStringSupportTest, TheFlagDecidesWhetherDecomposedTextIsComposed)
{
    QString const decomposed = Q(u"e\u0301");
    EXPECT_EQ(GQStringSupport::ToQString(GQStringSupport::ToGString(decomposed, false)), decomposed);
    EXPECT_EQ(GQStringSupport::ToQString(GQStringSupport::ToGString(decomposed, true)), Q(u"\u00e9"));
}

TEST(GQStringSupportTest, NullAndEmptyStaySeparateForNames)
{
    EXPECT_TRUE(GQStringSupport::ToGName(QString()).IsNil());
    EXPECT_TRUE(GQStringSupport::ToQString(GName()).isNull());
    GName const empty = GQStringSupport::ToGName(QString(""));
    EXPECT_FALSE(empty.IsNil());
    EXPECT_EQ(empty, GName(""));
    EXPECT_TRUE(GQStringSupport::ToQString(empty).isEmpty());
    EXPECT_TRUE(GQStringSupport::ToQString(GBuffer()).isNull());
    GBuffer emptyWithStorage("x");
    emptyWithStorage.SetLength(0);
    EXPECT_FALSE(GQStringSupport::ToQString(emptyWithStorage).isNull());
    EXPECT_TRUE(GQStringSupport::ToQString(emptyWithStorage).isEmpty());
}

TEST(GQStringSupportTest, EightBitFormsStopAtTheFirstZero)
{
    QString const text = Q(u"ab") + QChar(0) + Q(u"cd");
    EXPECT_EQ(testsupport::TextOf(GQStringSupport::ToGBuffer(text)), "ab");
    EXPECT_EQ(GQStringSupport::ToQString(BufferOf(std::string("ab\0cd", 5))), Q(u"ab"));
    EXPECT_EQ(GQStringSupport::ToQString(UnitsOf(std::u16string(u"ab\0cd", 5))), Q(u"ab"));
    // ToGString keeps every unit, the zero too.
    EXPECT_EQ(GQStringSupport::ToGString(text, false).GetBuffer(GUnicodeEncoding::GetInstance()).GetLength(),
              10);
}

TEST(GQStringSupportTest, ByteArraysCopyEveryByte)
{
    std::string const bytes("a\0b\r\n\0", 6);
    GBuffer const buffer = GQStringSupport::ToGBuffer(QByteArray(bytes.data(), int(bytes.size())));
    EXPECT_EQ(testsupport::TextOf(buffer), bytes);
    QByteArray const back = GQStringSupport::ToQByteArray(buffer);
    EXPECT_EQ(std::string(back.constData(), std::size_t(back.size())), bytes);
}

TEST(GQStringSupportTest, TextInAnotherEncodingIsReadAsItsText)
{
    GString const macRoman(reinterpret_cast<unsigned char const*>("Caf\x8e\r"), 5,
                           GMacRomanEncoding::GetInstance(), true);
    EXPECT_EQ(GQStringSupport::ToQString(macRoman), Q(u"Caf\u00e9\n"));
}

TEST(GQStringSupportTest, ListsKeepTheirOrderBothWays)
{
    QStringList const list{Q(u"one"), Q(u"two\r"), Q(u"/Volumes/a b/c")};
    GTable<GString> const strings = GQStringSupport::ToGStringTable(list);
    ASSERT_EQ(strings.GetCount(), 3);
    EXPECT_EQ(Utf8Of(strings[1]), "two\r");
    EXPECT_EQ(GQStringSupport::ToQStringList(strings),
              (QStringList{Q(u"one"), Q(u"two\n"), Q(u"/Volumes/a b/c")}));

    GTable<GPathName> const paths = GQStringSupport::ToGPathNameTable({Q(u"/a/./b"), Q(u"c/d")});
    ASSERT_EQ(paths.GetCount(), 2);
    EXPECT_EQ(Utf8Of(paths[0].GetCrossPlatformString()), "/a/b");
    EXPECT_EQ(GQStringSupport::ToQStringList(paths), (QStringList{Q(u"/a/b"), Q(u"c/d")}));

    EXPECT_TRUE(GQStringSupport::ToQStringList(GTable<GString>()).isEmpty());
    EXPECT_EQ(GQStringSupport::ToGStringTable(QStringList()).GetCount(), 0);
}

TEST(GQStringSupportTest, PathsCrossAsTheirPortableText)
{
    GPathName const path("/Volumes/Disk/Folder/File.txt");
    EXPECT_EQ(GQStringSupport::ToQString(path), Q(u"/Volumes/Disk/Folder/File.txt"));
    EXPECT_EQ(GQStringSupport::ToGPathName(Q(u"/Volumes/Disk/Folder/"), true),
              GPathName("/Volumes/Disk/Folder"));
}

TEST(GQStringSupportTest, StringPoolTextsBecomeQtTextsListsAndToolTips)
{
    GStringPoolTable* english = GStringPool::GetTable(GString("enUS"));
    english->SetString(917001, GString("first\rline"), nullptr);
    english->SetString(917002, GString("second"), nullptr);
    std::string const longText = std::string(82, 'x') + " tail ";
    english->SetString(917010, testsupport::TextOf(longText), nullptr);

    EXPECT_EQ(GQStringSupport::StringIDToQString(917001), Q(u"first\nline"));
    EXPECT_EQ(GQStringSupport::StringIDToQStringList(917001), (QStringList{Q(u"first\nline"), Q(u"second")}));
    EXPECT_EQ(GQStringSupport::StringIDToToolTipQString(917010),
              QString::fromStdString(std::string(82, 'x') + "\ntail"));
    EXPECT_TRUE(GQStringSupport::StringIDToQString(917099).isEmpty());
}
