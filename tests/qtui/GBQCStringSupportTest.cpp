// Tool tips: trimmed, line ends made LF, lines broken at the first space or punctuation after the
// 80th character.
#include <gtest/gtest.h>

#include "GBQCStringSupport.h"

TEST(GBQCStringSupportTest, LongLinesBreakAtTheFirstSpaceOrPunctuationAfterEightyCharacters)
{
    QString const letters80(80, QLatin1Char('a'));
    struct Case
    {
        char const* name;
        QString text;
        QString expected;
    } const cases[] = {
        {"85 letters stay whole", QString(85, QLatin1Char('a')), QString(85, QLatin1Char('a'))},
        {"the space after 82 letters becomes LF", QString(82, QLatin1Char('a')) + " bc",
         QString(82, QLatin1Char('a')) + "\nbc"},
        {"a space within the first 80 stays", "a b" + letters80, "a b" + letters80},
        {"a comma keeps its place and is followed by LF", letters80 + ",b", letters80 + ",\nb"},
        {"a slash and a backslash break", letters80 + "/b" + letters80 + "\\c",
         letters80 + "/\nb" + letters80 + "\\\nc"},
        {"the counter starts anew after a break", letters80 + " " + letters80 + " x",
         letters80 + "\n" + letters80 + "\nx"},
        {"an LF starts a new line",
         QString(50, QLatin1Char('a')) + "\n" + QString(50, QLatin1Char('b')) + " c",
         QString(50, QLatin1Char('a')) + "\n" + QString(50, QLatin1Char('b')) + " c"},
        {"CR LF and a lone CR become LF", "a\r\nb\rc", "a\nb\nc"},
        {"trimmed at both ends", "  \t tip \n ", "tip"},
        {"a no-break space counts as white space", letters80 + QChar(0x00A0) + "b", letters80 + "\nb"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GBQCStringSupport::FormatToolTip(c.text), c.expected);
    }
}

TEST(GBQCStringSupportTest, BreaksMayFollowPunctuationBackslashAndSlashOnly)
{
    for (char16_t c : std::u16string(u".,;:!?-()[]\"'/\\_"))
        EXPECT_TRUE(GBQCStringSupport::CanInsertBreakAfter(QChar(c))) << char(c);
    for (char16_t c : std::u16string(u"aZ09 +=<>$\t"))
        EXPECT_FALSE(GBQCStringSupport::CanInsertBreakAfter(QChar(c))) << char(c);
}
