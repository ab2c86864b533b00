// Bytes from outside (file names, zip entry names, header values): the encoding guess, the readers
// of RFC 2047 encoded words and the file-name cleaners. Nothing crashes or hangs; the guess takes the
// path its rules give; a cleaned name holds no separator and no character the cleaner removes; words
// written from a text read back as that text.
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "GBQCEncode.h"

namespace
{
void Check(bool holds, char const* what, QByteArray const& input)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n%s\n", what, input.toHex(' ').constData());
    std::abort();
}

bool IsControl(ushort c)
{
    return c < 0x20 || c == 0x7F;
}

// Every character of text passes keep.
template<class Keep>
bool All(QString const& text, Keep keep)
{
    for (QChar const c : text)
        if (!keep(c.unicode()))
            return false;
    return true;
}

// What the guess must give, along the rules as written: the codecs' own verdicts and decoders.
QString ExpectedGuess(QByteArray const& bytes)
{
    if (GBQCEncode::hasUtf16Bom(bytes))
        return GBQCEncode::fromEncoding("UTF-16", bytes.constData(), bytes.size());
    if (GBQCEncode::hasUtf8Bom(bytes) || GBQCEncode::isValidUtf8(bytes))
        return GBQCEncode::fromUtf8(bytes);
    if (GBQCEncode::seemsMacRoman(bytes))
        return GBQCEncode::fromMacRoman(bytes);
    return GBQCEncode::fromLatin1(bytes);
}

void CheckCleaners(QString const& name, QByteArray const& input)
{
    auto const plain = [](ushort c) { return !IsControl(c) && c != 0xFFFD && c != 0xFFFC; };
    Check(All(GBQCEncode::normalizeFilepathForLocal(name), plain), "a local path holds no control character",
          input);
    Check(All(GBQCEncode::normalizeFilenameForLocal(name),
              [&](ushort c) { return plain(c) && c != ':' && c != '/'; }),
          "a local name holds no separator", input);
    QString const forAny = GBQCEncode::normalizeFilenameForAny(name);
    bool const longPath = forAny.startsWith(QLatin1String("__?_"));
    for (int i = 0; i < forAny.size(); ++i)
    {
        ushort const c = forAny[i].unicode();
        bool const questionOfPrefix = longPath && i == 2 && c == '?';
        Check(plain(c) && !QString(":/\\*\"<>|").contains(QChar(c)) && (c != '?' || questionOfPrefix),
              "a name for any system holds no separator or forbidden character", input);
    }
    QString const path = GBQCEncode::normalizeFilepathForAny(name);
    Check(All(path, [&](ushort c) { return plain(c) && !QString("*\"<>|").contains(QChar(c)); }),
          "a path for any system holds no forbidden character", input);
    Check(GBQCEncode::normalizeFilepathForLocalToUtf8(name) ==
              GBQCEncode::normalizeFilepathForLocal(name).toUtf8(),
          "the UTF-8 form of a local path is its text's", input);
    for (QString const& part : GBQCEncode::normalizeDotAtBegin(name).split(QLatin1Char('/')))
        Check(!part.startsWith(QLatin1Char('.')), "no part of a path begins with a dot", input);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    QByteArray const input(reinterpret_cast<char const*>(data), static_cast<int>(size));

    QString const guessed = GBQCEncode::fromUnknownText(input);
    Check(guessed == ExpectedGuess(input), "the guess follows its rules", input);
    Check(GBQCEncode::fromLocalText(input) == guessed && GBQCEncode::fromUnknownFilepath(input) == guessed,
          "every guessing decoder guesses alike", input);
    GBQCEncode::fromLocalFilepath(input);

    GBQCEncode::encodedWordDecode(input, false);
    GBQCEncode::encodedWordDecode(input, true);
    GBQCEncode::encodedWordDecodeMany(QString::fromUtf8(input));

    CheckCleaners(guessed, input);

    // Words written from a text read back as that text, whatever the text holds; a lone surrogate
    // has no UTF-8 form, so only texts that have one are written.
    if (QString::fromUtf8(guessed.toUtf8()) == guessed)
    {
        QByteArray const words = GBQCEncode::encodedWordEncode(guessed, "utf-8");
        Check(GBQCEncode::encodedWordDecode(words, false) == guessed, "encoded words read back as their text",
              input);
        for (QByteArray const& line : words.split('\n'))
        {
            QByteArray const word = line.trimmed();
            // "=?utf-8?B?", at most 56 Base64 characters for 40 bytes, and "?=".
            Check(word.size() <= 10 + 56 + 2, "a word holds at most 40 bytes", input);
        }
    }
    return 0;
}
