// Bytes of unlabelled or named encoding to Qt text and back: the guess of an unlabelled encoding
// (byte-order mark, UTF-8 validity, then Mac Roman against Latin-1 by score), file names and paths
// made fit for the local disk or any system, and RFC 2047 encoded words.
#pragma once

#include <QByteArray>
#include <QString>

class GBQCEncode
{
public:
    GBQCEncode() = delete;

    // --- byte-order marks and validity ---
    // At least 2 bytes beginning FF FE or FE FF.
    static bool hasUtf16Bom(QByteArray const& bytes);
    // At least 3 bytes beginning EF BB BF.
    static bool hasUtf8Bom(QByteArray const& bytes);
    // Whether the named codec decodes all the bytes without an invalid character and without an
    // incomplete sequence left at the end; false when Qt has no codec of that name.
    static bool isValidEncoding(QByteArray const& codecName, QByteArray const& bytes);
    static bool isValidUtf8(QByteArray const& bytes);
    // The Mac Roman score of the bytes from 0x80 up, less their Latin-1 score, is 2 or more.
    static bool seemsMacRoman(QByteArray const& bytes);

    // --- named conversions: a length of -1 (any negative one) reads up to the terminating zero ---
    static QString fromUtf8(char const* bytes, int length = -1);
    static QString fromUtf8(QByteArray const& bytes);
    // With withBom, the bytes begin with the byte-order mark EF BB BF.
    static QByteArray toUtf8(QString const& text, bool withBom);
    static QString fromUtf16(ushort const* units, int length = -1);
    // A byte-order mark, then the units in the machine's byte order.
    static QByteArray toUtf16(QString const& text);
    static QString fromLatin1(char const* bytes, int length = -1);
    static QString fromLatin1(QByteArray const& bytes);
    // Latin-1; characters outside it become "?".
    static QByteArray toLocalText(QString const& text);
    static QString fromMacRoman(char const* bytes, int length = -1);
    static QString fromMacRoman(QByteArray const& bytes);
    static QByteArray toMacRoman(QString const& text);
    static QString fromShiftJis(char const* bytes, int length = -1);
    static QString fromShiftJis(QByteArray const& bytes);
    static QByteArray toShiftJis(QString const& text);
    // Through the named codec; a null string (array) when Qt has none of that name.
    static QString fromEncoding(QByteArray const& codecName, char const* bytes, int length = -1);
    static QByteArray toEncoding(QByteArray const& codecName, QString const& text);
    static QByteArray toUnknownFilepath(QString const& text);

    // --- guessing decoders ---
    // A UTF-16 byte-order mark selects UTF-16, anything else is read as UTF-8.
    static QString fromLocalFilepath(char const* bytes, int length = -1);
    static QString fromLocalFilepath(QByteArray const& bytes);
    // The full guess: UTF-16 or UTF-8 by byte-order mark, then UTF-8 when valid, then Mac Roman when
    // it seems so, else ISO 8859-1.
    static QString fromLocalText(char const* bytes, int length = -1);
    static QString fromLocalText(QByteArray const& bytes);
    static QString fromUnknownFilepath(char const* bytes, int length = -1);
    static QString fromUnknownFilepath(QByteArray const& bytes);
    static QString fromUnknownText(char const* bytes, int length = -1);
    static QString fromUnknownText(QByteArray const& bytes);

    // --- file names and paths; each gives decomposed text (Unicode form D) ---
    // Control characters, U+FFFD and U+FFFC become "_".
    static QString normalizeFilepathForLocal(QString const& path);
    static QByteArray normalizeFilepathForLocalToUtf8(QString const& path);
    // As the path, and ":" and "/" become "_" too.
    static QString normalizeFilenameForLocal(QString const& name);
    // As the local path, and the characters other systems forbid ("*", double quote, "<", ">", "|",
    // "?" outside a leading Windows long-path prefix) become "_".
    static QString normalizeFilepathForAny(QString const& path);
    // As the path for any system, and ":", "/" and backslash become "_" too.
    static QString normalizeFilenameForAny(QString const& name);
    // Every "/"-separated part that begins with "." has that first character replaced by "_".
    static QString normalizeDotAtBegin(QString const& path);
    static QString normalizeColonInRelativePath(QString const& path);

    // --- RFC 2047 encoded words ("=?" charset "?B?" or "?Q?" text "?=") ---
    // One header value. Text outside the words is UTF-8, or Latin-1 when localText is set and the
    // value holds no word at all; blank text between words disappears.
    static QString encodedWordDecode(QByteArray const& value, bool localText);
    // Every word found in the text decoded in place.
    static QString encodedWordDecodeMany(QString const& text);
    // Base64 words of at most 40 bytes each, folded with CR LF and a space; a character is never
    // split between two words.
    static QByteArray encodedWordEncode(QString const& text, QByteArray const& charset);

    static constexpr int cMaxEncodedWordBytes = 40;
};
