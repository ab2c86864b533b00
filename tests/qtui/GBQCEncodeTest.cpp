// The encoding guess, the named codecs, file-name cleaning and RFC 2047 encoded words.
#include <gtest/gtest.h>

#include <QTextCodec>

#include "GBQCEncode.h"

namespace
{
QByteArray B(std::string const& bytes)
{
    return QByteArray(bytes.data(), static_cast<int>(bytes.size()));
}

QString Q(char16_t const* units)
{
    return QString::fromUtf16(units);
}
} // namespace

TEST(GBQCEncodeTest, EveryCodecNameInUseResolves)
{
    for (char const* name : {"UTF-8", "UTF-16", "Apple Roman", "Shift-JIS", "ISO 8859-1"})
        EXPECT_NE(QTextCodec::codecForName(name), nullptr) << name;
    EXPECT_EQ(GBQCEncode::fromMacRoman(B("\x8e")), Q(u"\u00e9"));
    EXPECT_EQ(GBQCEncode::toMacRoman(Q(u"\u00e9\u2020")), B("\x8e\xa0"));
    EXPECT_EQ(GBQCEncode::fromShiftJis(B("\x93\xfa\x96\x7b")), Q(u"\u65e5\u672c"));
    EXPECT_EQ(GBQCEncode::toShiftJis(Q(u"\u65e5\u672c")), B("\x93\xfa\x96\x7b"));
}

TEST(GBQCEncodeTest, TheGuessDecidesByMarkValidityAndScore)
{
    struct Case
    {
        char const* name;
        std::string bytes;
        std::u16string expected;
    } const cases[] = {
        {"valid UTF-8 before any score", "\xC3\xA9", u"\u00e9"},
        {"one 8E scores 1: Latin-1", "\x8E", u"\u008e"},
        {"two 8E score 2: Mac Roman", "\x8E\x8E", u"\u00e9\u00e9"},
        {"E9 and a space score -1: Latin-1", "\xE9 ", u"\u00e9 "},
        {"Latin-1 cut short of a UTF-8 sequence is not UTF-8", "Caf\xE9", u"Caf\u00e9"},
        {"empty", "", u""},
        {"ASCII", "plain text", u"plain text"},
        {"a single FF is too short for a mark", "\xFF", u"\u00ff"},
        {"FE FF alone is big-endian UTF-16", "\xFE\xFF", u""},
        {"little-endian UTF-16 with its mark",
         std::string("\xFF\xFE"
                     "A\0\xE9\0",
                     6),
         u"A\u00e9"},
        {"big-endian UTF-16 with its mark", std::string("\xFE\xFF\0A\0\xE9", 6), u"A\u00e9"},
        {"UTF-8 with its mark", "\xEF\xBB\xBFZ\xC3\xBC", u"Z\u00fc"},
        {"a mark before text that is not UTF-8", "\xEF\xBB\xBF\xFF", u"\ufffd"},
        {"an encoded surrogate is not UTF-8", "\xED\xA0\x80", u"\u00ed\u00a0\u0080"},
        {"an overlong slash is not UTF-8", "\xC0\xAF", u"\u00c0\u00af"},
        {"zero bytes are kept", std::string("a\0\xE9", 3), std::u16string(u"a\0\u00e9", 3)},
        {"Mac Roman words",
         "Gr\x9f\xa7"
         "e aus K\x9aln",
         u"Gr\u00fc\u00dfe aus K\u00f6ln"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        QString const expected = QString::fromUtf16(c.expected.data(), int(c.expected.size()));
        EXPECT_EQ(GBQCEncode::fromUnknownText(B(c.bytes)), expected);
        EXPECT_EQ(GBQCEncode::fromLocalText(B(c.bytes)), expected);
        EXPECT_EQ(GBQCEncode::fromUnknownFilepath(c.bytes.data(), int(c.bytes.size())), expected);
    }
    // A negative length reads up to the terminating zero.
    EXPECT_EQ(GBQCEncode::fromUnknownText("K\x9aln\x9a", -1), Q(u"K\u00f6ln\u00f6"));
    EXPECT_EQ(GBQCEncode::fromUnknownText("ab\0cd", -1), Q(u"ab"));
}

TEST(GBQCEncodeTest, ValidityCountsCutOffSequencesAsInvalid)
{
    struct Case
    {
        std::string bytes;
        bool valid;
    } const cases[] = {
        {"", true},
        {"ascii", true},
        {"\xC3\xA9", true},
        {"Caf\xE9", false},
        {"\xE2\x82", false},
        {"\xE2\x82\xAC", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xF4\x90\x80\x80", false},
        {"\xEF\xBF\xBF", true},
        {"\x80", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(GBQCEncode::isValidUtf8(B(c.bytes)), c.valid);
        EXPECT_EQ(GBQCEncode::isValidEncoding("UTF-8", B(c.bytes)), c.valid);
    }
    EXPECT_FALSE(GBQCEncode::isValidEncoding("no such codec", B("abc")));
}

TEST(GBQCEncodeTest, MarksAndTheMacRomanScore)
{
    EXPECT_TRUE(GBQCEncode::hasUtf16Bom(B("\xFF\xFE")));
    EXPECT_TRUE(GBQCEncode::hasUtf16Bom(B("\xFE\xFFxx")));
    EXPECT_FALSE(GBQCEncode::hasUtf16Bom(B("\xFF")));
    EXPECT_TRUE(GBQCEncode::hasUtf8Bom(B("\xEF\xBB\xBF")));
    EXPECT_FALSE(GBQCEncode::hasUtf8Bom(B("\xEF\xBB")));
    EXPECT_FALSE(GBQCEncode::seemsMacRoman(B("")));
    EXPECT_FALSE(GBQCEncode::seemsMacRoman(B("ascii only")));
    EXPECT_FALSE(GBQCEncode::seemsMacRoman(B("\x8E")));
    EXPECT_TRUE(GBQCEncode::seemsMacRoman(B("\x8E\x8E")));
    // 8E scores 4 - 3 = 1 and E9 3 - 4 = -1: a tie is not Mac Roman. 80 scores 3 - 2 = 1, A0 1 - 0
    // = 1, F0 0 - 4 = -4.
    EXPECT_FALSE(GBQCEncode::seemsMacRoman(B("\x8E\xE9")));
    EXPECT_TRUE(GBQCEncode::seemsMacRoman(B("\x80\xA0")));
    EXPECT_FALSE(GBQCEncode::seemsMacRoman(B("\x80\xA0\xF0")));
}

TEST(GBQCEncodeTest, NamedConversions)
{
    EXPECT_EQ(GBQCEncode::toUtf8(Q(u"\u00e9"), false), B("\xC3\xA9"));
    EXPECT_EQ(GBQCEncode::toUtf8(Q(u"\u00e9"), true), B("\xEF\xBB\xBF\xC3\xA9"));
    EXPECT_EQ(GBQCEncode::fromUtf8(B("\xEF\xBB\xBF\xC3\xA9")), Q(u"\u00e9"));
    EXPECT_EQ(GBQCEncode::fromUtf8("x\xC3\xA9"), Q(u"x\u00e9"));
    EXPECT_EQ(GBQCEncode::toUtf16(Q(u"A")), B(std::string("\xFF\xFE"
                                                          "A\0",
                                                          4)));
    ushort const units[] = {'h', 0xE9, 0};
    EXPECT_EQ(GBQCEncode::fromUtf16(units), Q(u"h\u00e9"));
    EXPECT_EQ(GBQCEncode::fromUtf16(units, 1), Q(u"h"));
    EXPECT_EQ(GBQCEncode::fromLatin1("\xE9t\xE9"), Q(u"\u00e9t\u00e9"));
    EXPECT_EQ(GBQCEncode::toLocalText(Q(u"\u00e9\u20ac")), B("\xE9?"));
    EXPECT_EQ(GBQCEncode::fromEncoding("ISO 8859-15", "\xA4", 1), Q(u"\u20ac"));
    EXPECT_EQ(GBQCEncode::toEncoding("windows-1252", Q(u"\u20ac")), B("\x80"));
    EXPECT_TRUE(GBQCEncode::fromEncoding("no such codec", "abc").isNull());
    EXPECT_TRUE(GBQCEncode::toEncoding("no such codec", Q(u"abc")).isNull());
    EXPECT_EQ(GBQCEncode::toUnknownFilepath(Q(u"a\u00e9")), B("a\xC3\xA9"));
    EXPECT_EQ(GBQCEncode::fromLocalFilepath(B(std::string("\xFF\xFE"
                                                          "a\0",
                                                          4))),
              Q(u"a"));
    // Anything without a UTF-16 mark is read as UTF-8, even bytes that are not.
    EXPECT_EQ(GBQCEncode::fromLocalFilepath(B("\x8E\x8E")), Q(u"\ufffd\ufffd"));
}

TEST(GBQCEncodeTest, FileNamesAndPathsAreCleanedForTheirUse)
{
    QString const hostile = Q(u"a:b/c\\d*e\"f<g>h|i?j\u0001k\u007fl\ufffdm\ufffcn");
    EXPECT_EQ(GBQCEncode::normalizeFilepathForLocal(hostile), Q(u"a:b/c\\d*e\"f<g>h|i?j_k_l_m_n"));
    EXPECT_EQ(GBQCEncode::normalizeFilenameForLocal(hostile), Q(u"a_b_c\\d*e\"f<g>h|i?j_k_l_m_n"));
    EXPECT_EQ(GBQCEncode::normalizeFilepathForAny(hostile), Q(u"a:b/c\\d_e_f_g_h_i_j_k_l_m_n"));
    EXPECT_EQ(GBQCEncode::normalizeFilenameForAny(hostile), Q(u"a_b_c_d_e_f_g_h_i_j_k_l_m_n"));
    EXPECT_EQ(GBQCEncode::normalizeFilepathForLocalToUtf8(Q(u"\u00e9\t")), B("e\xCC\x81_"));

    // The question mark of a leading long-path prefix stays; its backslashes do not in a name.
    EXPECT_EQ(GBQCEncode::normalizeFilepathForAny(Q(u"\\\\?\\C:\\a?b")), Q(u"\\\\?\\C:\\a_b"));
    EXPECT_EQ(GBQCEncode::normalizeFilenameForAny(Q(u"\\\\?\\C:\\a?b")), Q(u"__?_C__a_b"));
    EXPECT_EQ(GBQCEncode::normalizeFilepathForAny(Q(u"x\\\\?\\")), Q(u"x\\\\_\\"));

    // Precomposed letters come out decomposed, and a character whose decomposition holds a
    // forbidden one (not less-than: "<" and a combining stroke) loses that one too.
    EXPECT_EQ(GBQCEncode::normalizeFilenameForAny(Q(u"\u00e9\u226e")), Q(u"e\u0301_\u0338"));

    EXPECT_EQ(GBQCEncode::normalizeDotAtBegin(Q(u"a/.b/./c")), Q(u"a/_b/_/c"));
    EXPECT_EQ(GBQCEncode::normalizeDotAtBegin(Q(u"/.x//..")), Q(u"/_x//_."));
    EXPECT_EQ(GBQCEncode::normalizeColonInRelativePath(Q(u"a:b")), Q(u"a:b"));
}

TEST(GBQCEncodeTest, EncodedWordsAreRead)
{
    struct Case
    {
        char const* name;
        std::string value;
        bool localText;
        std::u16string expected;
    } const cases[] = {
        {"no word, UTF-8",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         false, u"Gr\u00fc\u00dfe"},
        {"no word, local text",
         "Gr\xFC\xDF"
         "e",
         true, u"Gr\u00fc\u00dfe"},
        {"empty", "", false, u""},
        {"Base64", "=?utf-8?B?R3LDvMOfZQ==?=", false, u"Gr\u00fc\u00dfe"},
        {"lower-case markers", "=?UTF-8?b?R3LDvMOfZQ==?= =?iso-8859-1?q?K=F6ln?=", false,
         u"Gr\u00fc\u00dfeK\u00f6ln"},
        {"Q with an underscore for a space", "=?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=", false,
         u"Gr\u00fc\u00dfe aus K\u00f6ln"},
        {"Q text beginning with =", "=?utf-8?Q?=C3=A9?=", false, u"\u00e9"},
        {"blank text between words disappears", "=?utf-8?Q?a?=   =?utf-8?Q?b?=", false, u"ab"},
        {"other text between words stays", "=?utf-8?Q?a?= and =?utf-8?Q?b?=", false, u"a and b"},
        {"text around words", "Re: =?utf-8?B?w6k=?= tail", false, u"Re: \u00e9 tail"},
        {"folded lines are joined", "=?utf-8?B?R3LDvA==?=\r\n =?utf-8?B?w59l?=", false, u"Gr\u00fc\u00dfe"},
        {"an ASCII charset reads as Latin-1", "=?US-ASCII?Q?=E9?=", false, u"\u00e9"},
        {"an unknown charset reads as Latin-1", "=?x-unknown?Q?=E9?=", false, u"\u00e9"},
        {"an empty encoded text",
         "=?utf-8?Q?"
         "?=x",
         false, u"x"},
        {"bad quoted-printable keeps the rest", "ok =?utf-8?Q?a=ZZ?= more", false,
         u"ok =?utf-8?Q?a=ZZ?= more"},
        {"a word without its end keeps the rest", "=?utf-8?Q?a?= =?utf-8?Q?b", false, u"a=?utf-8?Q?b"},
        {"no marker keeps the rest", "=?utf-8?X?a?= next", false, u"=?utf-8?X?a?= next"},
        {"an empty charset keeps the rest", "=??Q?a?=", false, u"=??Q?a?="},
        {"an = at the end of Q text", "=?utf-8?Q?a=?=", false, u"=?utf-8?Q?a=?="},
        {"a zero byte in Q text", std::string("=?iso-8859-1?Q?a\0b?=", 20), false,
         std::u16string(u"a\0b", 3)},
        {"the tail ends at a zero byte", std::string("=?utf-8?Q?a?=b\0c", 16), false, u"ab"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GBQCEncode::encodedWordDecode(B(c.value), c.localText),
                  QString::fromUtf16(c.expected.data(), int(c.expected.size())));
    }
}

TEST(GBQCEncodeTest, ManyWordsInATextAreDecodedInPlace)
{
    EXPECT_EQ(GBQCEncode::encodedWordDecodeMany(Q(u"plain")), Q(u"plain"));
    EXPECT_EQ(GBQCEncode::encodedWordDecodeMany(Q(u"Re: =?utf-8?B?w6k=?=  =?utf-8?Q?_x?= end")),
              Q(u"Re: \u00e9 x end"));
    EXPECT_EQ(GBQCEncode::encodedWordDecodeMany(Q(u"=?utf-8*en?Q?a?=")), Q(u"a"));
}

TEST(GBQCEncodeTest, EncodedWordsAreWrittenInWordsOfAtMostFortyBytes)
{
    QByteArray const letters41(41, 'a');
    EXPECT_EQ(GBQCEncode::encodedWordEncode(QString::fromLatin1(letters41), "utf-8"),
              "=?utf-8?B?" + QByteArray(40, 'a').toBase64() + "?=\r\n =?utf-8?B?" +
                  QByteArray("a").toBase64() + "?=");
    EXPECT_TRUE(GBQCEncode::encodedWordEncode(QString(), "utf-8").isEmpty());
    EXPECT_EQ(GBQCEncode::encodedWordEncode(Q(u"\u00e9"), "ISO-8859-1"), "=?ISO-8859-1?B?6Q==?=");

    // 39 letters and an emoji of four bytes: the emoji goes whole into the second word.
    QString const text = QString(39, QLatin1Char('b')) + Q(u"\U0001F600");
    QByteArray const encoded = GBQCEncode::encodedWordEncode(text, "utf-8");
    EXPECT_EQ(encoded, "=?utf-8?B?" + QByteArray(39, 'b').toBase64() + "?=\r\n =?utf-8?B?" +
                           QByteArray("\xF0\x9F\x98\x80").toBase64() + "?=");
    EXPECT_EQ(GBQCEncode::encodedWordDecode(encoded, false), text);
}

TEST(GBQCEncodeTest, WrittenWordsReadBackAsTheText)
{
    QString const texts[] = {
        Q(u"x"),
        Q(u"  spaces  "),
        Q(u"Gr\u00fc\u00dfe aus K\u00f6ln, \u65e5\u672c\u8a9e \U0001F600\U0001F601"),
        Q(u"line\r\nbreak"),
        QString(200, QChar(0x00e9)),
        // A zero-width no-break space at the start of a word is text, not a byte-order mark.
        Q(u"\ufeffA"),
        QString(40, QLatin1Char('a')) + Q(u"\ufeffb"),
    };
    for (QString const& text : texts)
    {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(GBQCEncode::encodedWordDecode(GBQCEncode::encodedWordEncode(text, "utf-8"), false), text);
    }
}
