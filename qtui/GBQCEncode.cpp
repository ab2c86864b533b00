// The encoding guess, named conversions, file-name cleaning and RFC 2047 encoded words.
#include "GBQCEncode.h"

#include <QRegularExpression>
#include <QTextCodec>

#include <array>
#include <cstring>

namespace
{
// How typical each byte from 0x80 up is of text in the encoding: 4 common accented small letters,
// 3 capitals and common signs, 1 rare symbols, 0 bytes that do not occur in real text. Row = high
// nibble, column = low nibble. Latin-1 follows the Windows code page 1252 reading of 0x80 to 0x9F.
// clang-format off
constexpr unsigned char cLatin1Scores[128] = {
    2, 0, 1, 1, 1, 1, 1, 1, 1, 2, 3, 1, 3, 0, 3, 0, // 80
    0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 3, 1, 4, 0, 3, 3, // 90
    0, 1, 2, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 0, 2, 1, // A0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, // B0
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, // C0
    3, 3, 3, 3, 3, 3, 3, 1, 3, 3, 3, 3, 3, 3, 1, 4, // D0
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, // E0
    4, 4, 4, 4, 4, 4, 4, 1, 4, 4, 4, 4, 4, 4, 1, 4, // F0
};
constexpr unsigned char cMacRomanScores[128] = {
    3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, // 80
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, // 90
    1, 1, 2, 2, 1, 1, 1, 4, 2, 2, 2, 1, 1, 1, 3, 3, // A0
    1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 4, // B0
    2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 3, 3, 3, 3, 4, // C0
    1, 1, 1, 1, 1, 1, 1, 1, 4, 3, 1, 2, 1, 1, 1, 1, // D0
    1, 1, 1, 1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, // E0
    0, 3, 3, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, // F0
};
// clang-format on

// Mac Roman score less Latin-1 score of every byte value; 0 below 0x80.
constexpr std::array<signed char, 256> MakeScoreDifferences()
{
    std::array<signed char, 256> differences{};
    for (int i = 0; i < 128; ++i)
        differences[std::size_t(0x80 + i)] = static_cast<signed char>(cMacRomanScores[i] - cLatin1Scores[i]);
    return differences;
}
constexpr std::array<signed char, 256> cScoreDifferences = MakeScoreDifferences();

// The value of each byte as a hexadecimal digit; cNotHexDigit for any other byte.
constexpr unsigned char cNotHexDigit = 0x82;
constexpr std::array<unsigned char, 256> MakeHexDigits()
{
    std::array<unsigned char, 256> digits{};
    for (int i = 0; i < 256; ++i)
        digits[std::size_t(i)] = cNotHexDigit;
    for (int i = 0; i < 10; ++i)
        digits[std::size_t('0' + i)] = static_cast<unsigned char>(i);
    for (int i = 0; i < 6; ++i)
    {
        digits[std::size_t('A' + i)] = static_cast<unsigned char>(10 + i);
        digits[std::size_t('a' + i)] = static_cast<unsigned char>(10 + i);
    }
    return digits;
}
constexpr std::array<unsigned char, 256> cHexDigits = MakeHexDigits();

char const* const cUtf8 = "UTF-8";
char const* const cUtf16 = "UTF-16";
char const* const cMacRoman = "Apple Roman";
char const* const cShiftJis = "Shift-JIS";

int LengthOf(char const* bytes, int length)
{
    if (!bytes)
        return 0;
    return length < 0 ? static_cast<int>(std::strlen(bytes)) : length;
}

// Through the named codec with a fresh conversion state; null without such a codec.
QString Decode(char const* codecName, char const* bytes, int length)
{
    QTextCodec* const codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return QString();
    QTextCodec::ConverterState state;
    return codec->toUnicode(bytes, LengthOf(bytes, length), &state);
}

QByteArray Encode(char const* codecName, QString const& text)
{
    QTextCodec* const codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return QByteArray();
    QTextCodec::ConverterState state;
    return codec->fromUnicode(text.constData(), text.size(), &state);
}

// Whether the bytes are UTF-8 as Qt's codec reads it without complaint: no byte that cannot start
// or continue a sequence, no overlong form, no surrogate, nothing above U+10FFFF, and no sequence
// cut off at the end. Stops at the first fault, so text in another encoding is rejected at once.
bool IsStrictUtf8(unsigned char const* bytes, int length)
{
    int i = 0;
    while (i < length)
    {
        // Eight ASCII bytes at a time.
        while (i + 8 <= length)
        {
            std::uint64_t block;
            std::memcpy(&block, bytes + i, sizeof block);
            if (block & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= length)
            break;
        unsigned char const lead = bytes[i];
        if (lead < 0x80)
        {
            ++i;
            continue;
        }
        int count;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF)
            count = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            count = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            count = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        else
            return false;
        if (length - i - 1 < count)
            return false;
        unsigned char const second = bytes[i + 1];
        if (second < low || second > high)
            return false;
        for (int k = 2; k <= count; ++k)
        {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += count + 1;
    }
    return true;
}

bool SeemsMacRoman(unsigned char const* bytes, int length)
{
    // Only bytes from 0x80 up score; text is mostly ASCII, passed over eight bytes at a time.
    long sum = 0;
    int i = 0;
    for (; i + 8 <= length; i += 8)
    {
        std::uint64_t block;
        std::memcpy(&block, bytes + i, sizeof block);
        if (!(block & 0x8080808080808080ull))
            continue;
        for (int k = 0; k < 8; ++k)
            sum += cScoreDifferences[bytes[i + k]];
    }
    for (; i < length; ++i)
        sum += cScoreDifferences[bytes[i]];
    return sum > 1;
}

QString GuessAndDecode(char const* bytes, int length)
{
    length = LengthOf(bytes, length);
    unsigned char const* const data = reinterpret_cast<unsigned char const*>(bytes);
    if (length >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF)))
        return Decode(cUtf16, bytes, length);
    if (length >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        return Decode(cUtf8, bytes, length);
    if (IsStrictUtf8(data, length))
        return QString::fromUtf8(bytes, length);
    if (SeemsMacRoman(data, length))
        return Decode(cMacRoman, bytes, length);
    return QString::fromLatin1(bytes, length);
}

bool HoldsNonSpace(QString const& text)
{
    for (QChar const c : text)
    {
        if (c != QLatin1Char(' '))
            return true;
    }
    return false;
}

enum Separators
{
    cNameSeparators = 1, // ":" and "/"
    cOtherSystems = 2,   // "*", double quote, "<", ">", "|", and "?" outside a long-path prefix
    cBackslash = 4,
};

// Decomposes first and replaces then: a decomposition can bring out a character that is replaced
// (U+226E, not less-than, decomposes into "<" and a combining stroke).
QString Clean(QString const& text, int separators)
{
    QString out = text.normalized(QString::NormalizationForm_D);
    ushort* const units = reinterpret_cast<ushort*>(out.data());
    int const count = out.size();
    // "\\?\" at the very start keeps its question mark.
    bool const longPathPrefix = out.startsWith(QLatin1String("\\\\?\\"));
    for (int i = 0; i < count; ++i)
    {
        ushort const c = units[i];
        bool replace = c < 0x20 || c == 0x7F || c == 0xFFFD || c == 0xFFFC;
        if (!replace && (separators & cNameSeparators))
            replace = c == ':' || c == '/';
        if (!replace && (separators & cOtherSystems))
            replace = c == '*' || c == '"' || c == '<' || c == '>' || c == '|' ||
                      (c == '?' && !(longPathPrefix && i == 2));
        if (!replace && (separators & cBackslash))
            replace = c == '\\';
        if (replace)
            units[i] = '_';
    }
    return out;
}

// The decoded bytes of an encoded word in its charset; ASCII and unknown charsets read as Latin-1.
QString DecodeWordText(QByteArray const& charset, QByteArray const& decoded)
{
    if (!charset.toLower().contains("ascii"))
    {
        if (QTextCodec* const codec = QTextCodec::codecForName(charset))
        {
            // In UTF-8 a leading U+FEFF is text of the word (a writer splits text anywhere between
            // characters), not a byte-order mark to drop.
            constexpr int cUtf8Mib = 106;
            QTextCodec::ConverterState state(codec->mibEnum() == cUtf8Mib ? QTextCodec::IgnoreHeader
                                                                          : QTextCodec::DefaultConversion);
            return codec->toUnicode(decoded.constData(), decoded.size(), &state);
        }
    }
    return QString::fromLatin1(decoded.constData(), decoded.size());
}

// Quoted-printable text of a Q-encoded word; false when an "=" is not followed by two hex digits.
bool DecodeQuotedPrintable(char const* text, int length, QByteArray& out)
{
    out.reserve(length);
    for (int i = 0; i < length; ++i)
    {
        char const c = text[i];
        if (c == '_')
            out += ' ';
        else if (c != '=')
            out += c;
        else
        {
            if (length - i < 3)
                return false;
            unsigned char const high = cHexDigits[static_cast<unsigned char>(text[i + 1])];
            unsigned char const low = cHexDigits[static_cast<unsigned char>(text[i + 2])];
            if (high == cNotHexDigit || low == cNotHexDigit)
                return false;
            out += static_cast<char>(high << 4 | low);
            i += 2;
        }
    }
    return true;
}

// Reads the word starting at "=?" at start: its text appended to out and the index after its
// closing "?=" returned; -1 when the word is malformed.
int DecodeWord(QByteArray const& value, int start, QString& out)
{
    int const charsetStart = start + 2;
    int const marker = value.indexOf('?', charsetStart);
    if (marker < 0 || marker == charsetStart || marker + 2 >= value.size() || value[marker + 2] != '?')
        return -1;
    char const kind = value[marker + 1];
    bool const quoted = kind == 'Q' || kind == 'q';
    if (!quoted && kind != 'B' && kind != 'b')
        return -1;
    int const textStart = marker + 3;
    // From the encoded text on: the marker's own "?" followed by a text beginning with "=" does not
    // end the word.
    int const end = value.indexOf("?=", textStart);
    if (end < 0)
        return -1;
    QByteArray const charset = value.mid(charsetStart, marker - charsetStart);
    QByteArray decoded;
    if (quoted)
    {
        if (!DecodeQuotedPrintable(value.constData() + textStart, end - textStart, decoded))
            return -1;
    }
    else
        decoded = QByteArray::fromBase64(value.mid(textStart, end - textStart));
    out += DecodeWordText(charset, decoded);
    return end + 2;
}

// Plain UTF-8 text between words, appended when it holds more than spaces.
void AppendPlain(char const* bytes, int length, QString& out)
{
    QString const text = QString::fromUtf8(bytes, length);
    if (HoldsNonSpace(text))
        out += text;
}
} // namespace

bool GBQCEncode::hasUtf16Bom(QByteArray const& bytes)
{
    return bytes.size() >= 2 && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"));
}

bool GBQCEncode::hasUtf8Bom(QByteArray const& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF");
}

bool GBQCEncode::isValidEncoding(QByteArray const& codecName, QByteArray const& bytes)
{
    QTextCodec* const codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return false;
    QTextCodec::ConverterState state;
    codec->toUnicode(bytes.constData(), bytes.size(), &state);
    // A sequence cut off at the end is not counted invalid but left over: it is no valid text
    // either ("Caf" and a Latin-1 "\xE9" would lose its last letter).
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool GBQCEncode::isValidUtf8(QByteArray const& bytes)
{
    return isValidEncoding(cUtf8, bytes);
}

bool GBQCEncode::seemsMacRoman(QByteArray const& bytes)
{
    return SeemsMacRoman(reinterpret_cast<unsigned char const*>(bytes.constData()), bytes.size());
}

QString GBQCEncode::fromUtf8(char const* bytes, int length)
{
    return Decode(cUtf8, bytes, length);
}

QString GBQCEncode::fromUtf8(QByteArray const& bytes)
{
    return Decode(cUtf8, bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toUtf8(QString const& text, bool withBom)
{
    if (!withBom)
        return text.toUtf8();
    return Encode(cUtf8, text);
}

QString GBQCEncode::fromUtf16(ushort const* units, int length)
{
    return QString::fromUtf16(units, units ? length : 0);
}

QByteArray GBQCEncode::toUtf16(QString const& text)
{
    return Encode(cUtf16, text);
}

QString GBQCEncode::fromLatin1(char const* bytes, int length)
{
    return QString::fromLatin1(bytes, LengthOf(bytes, length));
}

QString GBQCEncode::fromLatin1(QByteArray const& bytes)
{
    // Qt's own QByteArray form would stop at a zero byte.
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toLocalText(QString const& text)
{
    return text.toLatin1();
}

QString GBQCEncode::fromMacRoman(char const* bytes, int length)
{
    return Decode(cMacRoman, bytes, length);
}

QString GBQCEncode::fromMacRoman(QByteArray const& bytes)
{
    return Decode(cMacRoman, bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toMacRoman(QString const& text)
{
    return Encode(cMacRoman, text);
}

QString GBQCEncode::fromShiftJis(char const* bytes, int length)
{
    return Decode(cShiftJis, bytes, length);
}

QString GBQCEncode::fromShiftJis(QByteArray const& bytes)
{
    return Decode(cShiftJis, bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toShiftJis(QString const& text)
{
    return Encode(cShiftJis, text);
}

QString GBQCEncode::fromEncoding(QByteArray const& codecName, char const* bytes, int length)
{
    return Decode(codecName.constData(), bytes, length);
}

QByteArray GBQCEncode::toEncoding(QByteArray const& codecName, QString const& text)
{
    return Encode(codecName.constData(), text);
}

QByteArray GBQCEncode::toUnknownFilepath(QString const& text)
{
    return text.toUtf8();
}

QString GBQCEncode::fromLocalFilepath(char const* bytes, int length)
{
    length = LengthOf(bytes, length);
    bool const utf16 =
        length >= 2 && (std::memcmp(bytes, "\xFF\xFE", 2) == 0 || std::memcmp(bytes, "\xFE\xFF", 2) == 0);
    return Decode(utf16 ? cUtf16 : cUtf8, bytes, length);
}

QString GBQCEncode::fromLocalFilepath(QByteArray const& bytes)
{
    return fromLocalFilepath(bytes.constData(), bytes.size());
}

QString GBQCEncode::fromLocalText(char const* bytes, int length)
{
    return GuessAndDecode(bytes, length);
}

QString GBQCEncode::fromLocalText(QByteArray const& bytes)
{
    return GuessAndDecode(bytes.constData(), bytes.size());
}

QString GBQCEncode::fromUnknownFilepath(char const* bytes, int length)
{
    return GuessAndDecode(bytes, length);
}

QString GBQCEncode::fromUnknownFilepath(QByteArray const& bytes)
{
    return GuessAndDecode(bytes.constData(), bytes.size());
}

QString GBQCEncode::fromUnknownText(char const* bytes, int length)
{
    return GuessAndDecode(bytes, length);
}

QString GBQCEncode::fromUnknownText(QByteArray const& bytes)
{
    return GuessAndDecode(bytes.constData(), bytes.size());
}

QString GBQCEncode::normalizeFilepathForLocal(QString const& path)
{
    return Clean(path, 0);
}

QByteArray GBQCEncode::normalizeFilepathForLocalToUtf8(QString const& path)
{
    return normalizeFilepathForLocal(path).toUtf8();
}

QString GBQCEncode::normalizeFilenameForLocal(QString const& name)
{
    return Clean(name, cNameSeparators);
}

QString GBQCEncode::normalizeFilepathForAny(QString const& path)
{
    return Clean(path, cOtherSystems);
}

QString GBQCEncode::normalizeFilenameForAny(QString const& name)
{
    return Clean(name, cOtherSystems | cNameSeparators | cBackslash);
}

QString GBQCEncode::normalizeDotAtBegin(QString const& path)
{
    QStringList parts = path.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    for (QString& part : parts)
    {
        if (part.startsWith(QLatin1Char('.')))
            part[0] = QLatin1Char('_');
    }
    return parts.join(QLatin1Char('/'));
}

QString GBQCEncode::normalizeColonInRelativePath(QString const& path)
{
    return path;
}

QString GBQCEncode::encodedWordDecode(QByteArray const& value, bool localText)
{
    if (!value.contains("=?"))
        return localText ? QString::fromLatin1(value.constData(), value.size())
                         : QString::fromUtf8(value.constData(), value.size());
    // Folded header lines are joined.
    QByteArray rest = value;
    rest.replace('\r', QByteArray()).replace('\n', QByteArray());
    QString out;
    int position = 0;
    while (true)
    {
        int const start = rest.indexOf("=?", position);
        if (start < 0)
            break;
        AppendPlain(rest.constData() + position, start - position, out);
        int const next = DecodeWord(rest, start, out);
        if (next < 0)
        {
            // A malformed word and what follows it stay as plain text.
            position = start;
            break;
        }
        position = next;
    }
    // The tail ends at a zero byte.
    char const* const tail = rest.constData() + position;
    AppendPlain(tail, static_cast<int>(::strnlen(tail, std::size_t(rest.size() - position))), out);
    return out;
}

QString GBQCEncode::encodedWordDecodeMany(QString const& text)
{
    static QRegularExpression const cWord(QStringLiteral("=\\?.+?(\\?|\\*).+?\\?.+?\\?="));
    QRegularExpressionMatchIterator matches = cWord.globalMatch(text);
    if (!matches.hasNext())
        return text;
    QString out;
    int position = 0;
    while (matches.hasNext())
    {
        QRegularExpressionMatch const match = matches.next();
        QString const between = text.mid(position, match.capturedStart() - position);
        if (HoldsNonSpace(between))
            out += between;
        out += encodedWordDecode(match.captured().toUtf8(), false);
        position = match.capturedEnd();
    }
    QString const after = text.mid(position);
    if (HoldsNonSpace(after))
        out += after;
    return out;
}

QByteArray GBQCEncode::encodedWordEncode(QString const& text, QByteArray const& charset)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    bool const utf8 = charset == "utf-8";
    QTextCodec* const codec = utf8 ? nullptr : QTextCodec::codecForName(charset);
    auto const writeWord = [&out, &charset](QByteArray const& chunk)
    {
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?" + charset + "?B?" + chunk.toBase64() + "?=";
    };
    QByteArray chunk;
    int i = 0;
    while (i < text.size())
    {
        // One code point: a surrogate pair stays together.
        int const units =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        QByteArray bytes;
        if (utf8)
            bytes = QString(text.constData() + i, units).toUtf8();
        else if (codec)
            bytes = codec->fromUnicode(text.constData() + i, units);
        i += units;
        if (!chunk.isEmpty() && chunk.size() + bytes.size() > cMaxEncodedWordBytes)
        {
            writeWord(chunk);
            chunk.clear();
        }
        chunk += bytes;
    }
    writeWord(chunk);
    return out;
}
