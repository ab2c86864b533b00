// Static operations on strings that do not belong to the string itself: splitting and joining,
// search and replace, white space, guessing and choosing encodings, quoting, comparing, scrambling
// short secrets, matching, Unicode ranges, natural order and numbered copies of names. Unless said otherwise
// every operation works on the UTF-16 forms and leaves the strings it writes as composed UTF-16.
#pragma once

#include "GPair.h"

class GBuffer;
class GEncoding;
class GRange;
class GString;
template<class T>
class GTable;

class GStringSupport
{
public:
    GStringSupport() = delete;

    // The blocks of code values that GetUnicodeRange knows.
    enum RangeSpecifier
    {
        // U+0041 to U+005A.
        cLatinCapitals = 0,
        // The CJK radicals, symbols and punctuation, kana, ideographs and compatibility forms.
        cCJK = 1,
        // U+0000 to U+FFFF.
        cBasicMultilingualPlane = 2
    };

    // White space is exactly backspace, tab, line feed, vertical tab, carriage return and space;
    // form feed is not.
    static bool IsWhiteSpace(unsigned short c)
    {
        return c == 8 || c == 9 || c == 10 || c == 11 || c == 13 || c == 32;
    }
    static bool IsWhiteSpace(unsigned char c) { return IsWhiteSpace(static_cast<unsigned short>(c)); }
    // A plain char is a byte, not a negative number.
    static bool IsWhiteSpace(char c) { return IsWhiteSpace(static_cast<unsigned char>(c)); }

    // Empties out, then splits text at every occurrence of separator. With keepEmpty empty pieces
    // count too (an empty text gives one empty piece); without, they are dropped. An empty separator
    // splits nothing: the whole text is the one piece.
    static void SeparatedStringToStringTable(GString const& text, GString const& separator,
                                             GTable<GString>& out, bool keepEmpty);
    // out becomes the strings joined with the separator between neighbours (joined with +=, so
    // pieces of one encoding keep it); an empty table gives a cleared string.
    static void StringTableToSeparatedString(GTable<GString> const& items, GString const& separator,
                                             GString& out);
    // Each pair (search text, replacement) in table order replaces every occurrence; a pair never
    // rescans its own replacements, but later pairs see them. An empty search text replaces nothing.
    static void SearchAndReplace(GString& text, GTable<GPair<GString, GString>> const& pairs);
    // A string that is empty or only white space is cleared (no encoding).
    static GString& StripLeadingWhiteSpace(GString& text);
    static GString& StripTrailingWhiteSpace(GString& text);

    // Gives out the bytes with the encoding they are judged to be in: a byte-order mark first, then
    // the candidates in order (the default list when empty; only UTF-16 when zero bytes lie inside
    // the text). False, and out cleared, when no encoding fits. UTF-16 text is whole units: an odd
    // last byte is dropped.
    static bool AssignEncoding(GBuffer const& bytes, GString& out, GTable<GEncoding*> const& candidates);
    static bool AssignEncoding(GBuffer const& bytes, GString& out);
    // The text in the first candidate (the default list when empty) that holds it completely;
    // false, with out emptied, when none does.
    static bool GetBuffer(GString const& text, GBuffer& out, GTable<GEncoding*> const& candidates);
    static GBuffer GetBuffer(GString const& text, GEncoding const* encoding);
    // ASCII, WinAnsi, MacRoman, the platform encoding, PDFDoc, Shift-JIS, UTF-16; encodings not set
    // up are left out.
    static void GetDefaultEncodings(GTable<GEncoding*>& out);

    // Escaping with the escape codes of GBufferSupport, and back. Escaping composes the text first
    // and leaves the escaped text as it is (UTF-16, not composed again), since composing after it
    // would merge an escape's letter with a combining mark that follows.
    static void ReplaceSpecialChars(GString& text);
    static void SetSpecialCharacters(GString& text);
    // Each line end becomes one default character.
    static void ReplaceSpecialEndCharsWithDefaultChar(GString& text);
    // Escapes as ReplaceSpecialChars does, then encloses in double quotes. An odd last byte of a
    // UTF-16 text is half a unit and is dropped, so that the quotes stand on whole units.
    static void QuoteString(GString& text);

    static bool IsEqualIgnoreCase(GString const& a, GString const& b);
    // Locale-aware order of the current locale, canonically equivalent texts equal: -1, 0 or 1.
    static int Compare(GString const& a, GString const& b, bool caseSensitive);
    // Holds an at sign that is neither first nor last, and no space.
    static bool IsPossibleEmailAddress(GString const& text);

    // Keeps a small secret such as a password out of plain sight (an obfuscation, not encryption):
    // the UTF-8 bytes scrambled by GEncryptOutStream, as lowercase hexadecimal digits ended by ">",
    // an ASCII string.
    static GString Scramble(GString const& text);
    // The text back from Scramble's form: the unscrambled bytes as UTF-8 text, kept as they are (a
    // byte that is no UTF-8 reads as the UTF-8 decoder reads it). An empty string without encoding
    // when reading fails: characters other than hexadecimal digits, white space and ">", or any
    // other exception of the framework on the way (no memory to read the text in, say).
    static GString DeScramble(GString const& text);

    // The code values of a block; an empty range for a value that names none.
    static GRange GetUnicodeRange(RangeSpecifier which);

    // Equality or (partial) occurrence, optionally ignoring case; or, as a regular expression over
    // the UTF-8 bytes, a whole or a partial match. A pattern the regular-expression engine rejects
    // is no match, and so is one it cannot run within its limits. invert negates the result.
    static bool MatchStrings(GString const& pattern, GString const& text, bool ignoreCase, bool partial,
                             bool invert, bool useRegularExpression);
    // Natural order: where both texts have their first digit at the same place after equal text,
    // the numbers there decide (digit runs of any length, leading zeros not counting), and on equal
    // numbers what follows them; otherwise the strings' own order.
    static bool IsLessThanAlphanumeric(GString const& a, GString const& b);
    // Appends " (2)", or counts an existing "(n)" suffix up. With maxLength (not 0) the text before
    // the suffix is cut so that the whole is maxLength units; a maxLength shorter than the suffix
    // leaves the suffix alone.
    static void IncreaseNumericSuffix(GString& text, unsigned int maxLength);
};
