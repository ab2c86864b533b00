// Static helpers over byte buffers: the escape codes of quoted text, line endings, byte order, number
// text, Pascal strings, separated lists, bit blocks and Roman numerals. Functions named Uni... work on
// UTF-16 units in the machine's byte order (an odd last byte is carried along untouched), functions
// named ASCII... on 8-bit text byte by byte. Each edits the buffer in place unless it returns one.
#pragma once

class GBuffer;
class GEncoding;
template<class T>
class GTable;

class GBufferSupport
{
public:
    GBufferSupport() = delete;

    // --- escape codes of quoted text ---
    // The one table of the framework, shared by the text writer, string quoting and the text reader.
    // Writing: TAB -> backslash "t"; CR, LF, CR LF and LF CR -> backslash "n"; a double quote ->
    // backslash, double quote; a backslash -> two backslashes; any other character stays.
    // Reading: an escape starts with any backslash character (92, 128, 165) and takes the next
    // character: "n" -> the platform line ending (see SetLineEnding), "t" -> TAB, a double quote,
    // an apostrophe or a backslash (92) -> that character alone, anything else -> both characters.
    // The text is scanned once, so an escaped backslash never starts a second escape, and an escape
    // character that is the last character is kept.
    static constexpr unsigned char cEscapeCharacter = 92;
    static constexpr unsigned char cEscapedTab = 't';
    static constexpr unsigned char cEscapedLineEnd = 'n';

    static void UniReplaceSpecialChars(GBuffer& text);
    static void ASCIIReplaceSpecialChars(GBuffer& text);
    static void UniReplaceEscapeCodes(GBuffer& text);
    static void ASCIIReplaceEscapeCodes(GBuffer& text);
    // True for the backslash (92) and the two characters that stand for it in Japanese encodings,
    // 128 and the yen sign 165.
    static bool IsBackSlashCharacter(unsigned char c) { return c == 92 || c == 128 || c == 165; }
    // Each CR, LF, CR LF or LF CR becomes one GEncoding::GetDefaultCharacter().
    static void UniReplaceSpecialEndCharsWithDefaultChar(GBuffer& text);
    // Removes the first language tag: the first ESC unit (27) through the next ESC unit, both
    // included; nothing when either is missing.
    static void RemoveUnicodeLanguageTags(GBuffer& text);

    // --- line endings ---
    // What a line ends with on this platform: CR when sLineEndingNeedsCR, then LF when
    // sLineEndingNeedsLF. Both are false until the platform start-up sets them (CR alone here); set
    // once at start-up and only read afterwards.
    static bool sLineEndingNeedsCR;
    static bool sLineEndingNeedsLF;
    static void SetLineEnding(bool needsCR, bool needsLF);
    // Every CR, LF and CR LF becomes the platform's line ending (an LF right after a CR belongs to it).
    static void ASCIIPlatformLineEndings(GBuffer& text);
    static void UniPlatformLineEndings(GBuffer& text);

    // --- byte order ---
    // Swaps the two bytes of every 16-bit unit of writable bytes; an odd last byte is left alone.
    static void SwapUnicodeBytes(GBuffer& buffer);
    // The same swap; buffers shorter than one unit are left alone.
    static void SwapBigEndian(GBuffer& buffer);

    // --- numbers ---
    // out becomes the printf format "%1.<digits>f"; digits is kept within 0 to 99.
    static void GenerateFormatStringForReals(int digits, GBuffer& out);
    // out becomes x as plain decimal text, independent of the locale: 0 -> "0"; a magnitude above
    // 9999.99999 with five fractional digits (limited to +-1e50); one below 0.1 with its first six
    // significant digits, truncated; anything else rounded to five fractional digits. Trailing zeros
    // and a bare point are removed. With addSpace one space follows. NaN is written as "0".
    static void RealToBuffer(double x, GBuffer& out, bool addSpace);
    // Whether the whole text (up to its first zero byte) is a decimal integer or real number with an
    // optional sign and exponent.
    static bool IsReal(GBuffer const& text);
    // Removes trailing zero bytes, or with wide trailing zero 16-bit units.
    static void StripTrailingZeroes(GBuffer& buffer, bool wide);

    // --- text ---
    // Remove the bytes that GStringSupport::IsWhiteSpace accepts from the start or the end.
    static void StripLeadingWhiteSpace(GBuffer& text);
    static void StripTrailingWhiteSpace(GBuffer& text);
    // The text, read in the given encoding, as UTF-16 bytes.
    static GBuffer GetUnicodeBuffer(char const* text, GEncoding const* encoding);
    static GBuffer GetUnicodeBuffer(GBuffer const& text, GEncoding const* encoding);
    // Cuts the buffer to 255 bytes and puts its length byte in front.
    static void ConvertToPString(GBuffer& buffer);

    // --- separated lists ---
    // Splits at every byte that is one of the separators. With keepEmpty every separator ends a
    // token and the last token is always added (so an empty input gives one empty token); without,
    // empty tokens are dropped.
    static void SeparatedBufferToBufferTable(GBuffer const& in, GTable<unsigned char> const& separators,
                                             GTable<GBuffer>& out, bool keepEmpty);
    // The items joined with the separator between neighbours; an empty table gives an empty out.
    static void BufferTableToSeparatedBuffer(GTable<GBuffer> const& items, GBuffer const& separator,
                                             GBuffer& out);
    // The self-describing list: the escape byte "#", the separator byte "|", then the items separated
    // by "|", with "#" before every "|" and "#" inside an item. An empty table gives an empty out.
    static void MergeIntoSeparatedBuffer(GTable<GBuffer> const& items, GBuffer& out);
    // Reads that format with the escape and separator bytes its first two bytes name. An input of
    // fewer than two bytes holds no items, one of exactly two bytes one empty item. An escape byte
    // that is the last byte escapes nothing and is dropped.
    static void SplitSeparatedBuffer(GBuffer const& in, GTable<GBuffer>& out);

    // --- bits and numerals ---
    // Copies bitCount bits from src at bit srcBit to dst at bit dstBit, bits numbered least
    // significant first within each byte. Nothing happens for bitCount < 1, a negative position or
    // srcBit beyond the source; the count is cut at the source's end. dst grows (with cleared
    // bytes) to hold the last target bit; bits around the target are kept.
    static void CopyBitBlock_LBE_LBE(GBuffer const& src, int srcBit, int bitCount, GBuffer& dst, int dstBit);
    // Roman numerals with subtractive pairs, "M" repeated without limit; 0 gives an empty buffer.
    static GBuffer IntToRomanNumeralUpper(unsigned int value);
    static GBuffer IntToRomanNumeralLower(unsigned int value);
};
