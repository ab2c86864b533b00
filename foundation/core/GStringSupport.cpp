// Static operations on strings: splitting, replacing, white space, encodings, quoting, comparing,
// matching, Unicode ranges, natural order and numbered copies of names.
#include "GStringSupport.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GBufferSupport.h"
#include "GDecryptInStream.h"
#include "GEncryptOutStream.h"
#include "GException.h"
#include "GHexDecode.h"
#include "GHexEncode.h"
#include "GMacRomanEncoding.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncoding.h"
#include "GRange.h"
#include "GRegExpSupport.h"
#include "GShiftJISEncoding.h"
#include "GSimpleException.h"
#include "GStreamSupport.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "PSystem.h"

namespace
{
constexpr unsigned short cQuote = 34;
constexpr unsigned short cSpace = 32;
constexpr unsigned short cAt = 64;

GUnicodeEncoding* Unicode()
{
    return GUnicodeEncoding::GetInstance();
}

GBuffer UnicodeForm(GString const& text)
{
    return text.GetBuffer(Unicode());
}

GString FromUnicode(GBuffer const& utf16)
{
    return GString(utf16, Unicode(), true);
}

GString FromUnicode(GBuffer const& utf16, int unitIndex, int unitCount)
{
    return FromUnicode(utf16.GetSubBuffer(unitIndex * 2, unitCount * 2));
}

unsigned short UnitAt(GBuffer const& utf16, int index)
{
    unsigned short unit;
    std::memcpy(&unit, utf16.GetPtr() + 2 * std::size_t(index), sizeof unit);
    return unit;
}

int UnitCount(GBuffer const& utf16)
{
    return utf16.GetLength() / 2;
}

bool IsDigit(unsigned short unit)
{
    return unit >= '0' && unit <= '9';
}

// Rebuilds text from its UTF-16 form after an escape operation.
void EditUnicodeForm(GString& text, void (*edit)(GBuffer&))
{
    GBuffer utf16 = UnicodeForm(text);
    edit(utf16);
    text = FromUnicode(utf16);
}

// The composed UTF-16 form with its special characters escaped. The escaped text is not composed
// again: a combining mark after a tab or a line end would merge with the escape's letter ("\n"
// and U+0300 into a backslash and U+01F9), and the text would read back as something else.
GBuffer EscapedUnicodeForm(GString const& text)
{
    GBuffer utf16 = FromUnicode(UnicodeForm(text)).GetBuffer(Unicode());
    GBufferSupport::UniReplaceSpecialChars(utf16);
    return utf16;
}

bool IsMachineBigEndian()
{
    return PSystem::GetMachineByteOrder() == 1;
}

// Whether exactly the first or exactly the second byte of some units is zero tells a text's byte
// order; the bytes are swapped into the machine's order when they were the other way.
void GuessUnicodeByteOrder(GBuffer& utf16)
{
    unsigned char const* data = utf16.GetPtr();
    int const units = utf16.GetLength() / 2;
    bool zeroFirst = false;
    bool zeroSecond = false;
    for (int i = 0; i < units && !(zeroFirst && zeroSecond); ++i)
    {
        zeroFirst = zeroFirst || data[2 * i] == 0;
        zeroSecond = zeroSecond || data[2 * i + 1] == 0;
    }
    if (zeroFirst == zeroSecond)
        return;
    bool const bigEndian = zeroFirst;
    if (bigEndian != IsMachineBigEndian())
        GBufferSupport::SwapUnicodeBytes(utf16);
}

// Byte-order marks of UTF-16 and UTF-8; true when the text was taken.
bool AssignMarkedEncoding(GBuffer const& bytes, GString& out)
{
    int const length = bytes.GetLength();
    if (length < 2)
        return false;
    unsigned char const* data = bytes.GetPtr();
    bool const littleMark = data[0] == 0xFF && data[1] == 0xFE;
    bool const bigMark = data[0] == 0xFE && data[1] == 0xFF;
    if (littleMark || bigMark)
    {
        GBuffer utf16 = bytes.GetSubBuffer(2, length - 2);
        // Half a unit at the end is no character.
        utf16.SetLength(utf16.GetLength() & ~1);
        if (bigMark != IsMachineBigEndian())
            GBufferSupport::SwapUnicodeBytes(utf16);
        GBufferSupport::RemoveUnicodeLanguageTags(utf16);
        GBufferSupport::StripTrailingZeroes(utf16, true);
        out = FromUnicode(utf16);
        return true;
    }
    if (length >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
    {
        GBuffer utf8 = bytes.GetSubBuffer(3, length - 3);
        GBufferSupport::StripTrailingZeroes(utf8, false);
        GUTF8Encoding* encoding = GUTF8Encoding::GetInstance();
        if (encoding && GString::AreCompatible(utf8, encoding))
        {
            out = GString(utf8, encoding, true);
            return true;
        }
    }
    return false;
}

// A zero byte followed later by a non-zero one: only UTF-16 can hold such a text.
bool HasInnerZeroByte(GBuffer const& bytes)
{
    unsigned char const* data = bytes.GetPtr();
    int const length = bytes.GetLength();
    unsigned char const* zero = static_cast<unsigned char const*>(std::memchr(data, 0, std::size_t(length)));
    if (!zero)
        return false;
    for (unsigned char const* p = zero; p < data + length; ++p)
    {
        if (*p)
            return true;
    }
    return false;
}

// The place and value of the digit run that starts at start: returns its end; first is the first
// digit that is not a leading zero (end when the number is 0).
int ScanNumber(GBuffer const& utf16, int start, int& first)
{
    int const count = UnitCount(utf16);
    int end = start;
    while (end < count && IsDigit(UnitAt(utf16, end)))
        ++end;
    first = start;
    while (first < end && UnitAt(utf16, first) == '0')
        ++first;
    return end;
}

// Compares the numbers of two digit runs given without their leading zeros: -1, 0 or 1.
int CompareNumbers(GBuffer const& a, int aFirst, int aEnd, GBuffer const& b, int bFirst, int bEnd)
{
    int const aDigits = aEnd - aFirst;
    int const bDigits = bEnd - bFirst;
    if (aDigits != bDigits)
        return aDigits < bDigits ? -1 : 1;
    for (int i = 0; i < aDigits; ++i)
    {
        unsigned short const x = UnitAt(a, aFirst + i);
        unsigned short const y = UnitAt(b, bFirst + i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

// The order of GString on UTF-16 text: the stored bytes compared as unsigned, a prefix first.
bool IsLessByBytes(GBuffer const& a, int aUnit, GBuffer const& b, int bUnit)
{
    std::size_t const aLength = std::size_t(a.GetLength() - 2 * aUnit);
    std::size_t const bLength = std::size_t(b.GetLength() - 2 * bUnit);
    std::size_t const common = aLength < bLength ? aLength : bLength;
    int const order = common ? std::memcmp(a.GetPtr() + 2 * aUnit, b.GetPtr() + 2 * bUnit, common) : 0;
    return order < 0 || (order == 0 && aLength < bLength);
}

int FirstDigit(GBuffer const& utf16, int start)
{
    int const count = UnitCount(utf16);
    for (int i = start; i < count; ++i)
    {
        if (IsDigit(UnitAt(utf16, i)))
            return i;
    }
    return -1;
}

// One collator per case rule, made on first use and kept for the process; comparing through a
// const collator is safe on any thread.
icu::Collator const* GetCollator(bool caseSensitive)
{
    struct Collators
    {
        Collators()
        {
            // A process without a locale gets ICU's POSIX pseudo-locale, whose order is that of
            // the ASCII codes; no user reads text in that order, so the root order stands in.
            icu::Locale locale = icu::Locale::getDefault();
            if (std::strcmp(locale.getVariant(), "POSIX") == 0)
                locale = icu::Locale::getRoot();
            for (int i = 0; i < 2; ++i)
            {
                UErrorCode status = U_ZERO_ERROR;
                std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
                if (U_FAILURE(status) || !collator)
                    continue;
                // Canonically equivalent texts (composed or not) compare equal; the secondary
                // strength ignores case but not accents.
                collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
                collator->setStrength(i == 1 ? icu::Collator::TERTIARY : icu::Collator::SECONDARY);
                if (U_SUCCESS(status))
                    fCollators[i] = std::move(collator);
            }
        }
        std::unique_ptr<icu::Collator> fCollators[2];
    };
    static Collators const sCollators;
    return sCollators.fCollators[caseSensitive ? 1 : 0].get();
}

icu::UnicodeString ToICU(GBuffer const& utf16)
{
    return icu::UnicodeString(reinterpret_cast<char16_t const*>(utf16.GetPtr()), UnitCount(utf16));
}
} // namespace

void GStringSupport::SeparatedStringToStringTable(GString const& text, GString const& separator,
                                                  GTable<GString>& out, bool keepEmpty)
{
    // Both are read before out is emptied, since either may be one of its strings.
    GBuffer const units = UnicodeForm(text);
    GBuffer const separatorUnits = UnicodeForm(separator);
    out.Resize(0);
    if (!keepEmpty && units.IsEmpty())
        return;
    int const separatorCount = UnitCount(separatorUnits);
    int piece = 0;
    if (separatorCount > 0)
    {
        for (int found = units.FindSubBuffer(separatorUnits, 0, true); found >= 0;
             found = units.FindSubBuffer(separatorUnits, piece, true))
        {
            if (keepEmpty || found > piece)
                out.AddItem(FromUnicode(units, piece, found - piece));
            piece = found + separatorCount;
        }
    }
    int const count = UnitCount(units);
    if (keepEmpty || count > piece)
        out.AddItem(FromUnicode(units, piece, count - piece));
}

void GStringSupport::StringTableToSeparatedString(GTable<GString> const& items, GString const& separator,
                                                  GString& out)
{
    // Built aside, since the separator or an item may be out itself.
    GString joined;
    for (int i = 0; i < items.GetCount(); ++i)
    {
        if (i)
            joined += separator;
        joined += items[i];
    }
    out = std::move(joined);
}

void GStringSupport::SearchAndReplace(GString& text, GTable<GPair<GString, GString>> const& pairs)
{
    GBuffer units = UnicodeForm(text);
    for (int p = 0; p < pairs.GetCount(); ++p)
    {
        GBuffer const search = UnicodeForm(pairs[p].first);
        if (UnitCount(search) == 0)
            continue;
        int found = units.FindSubBuffer(search, 0, true);
        if (found < 0)
            continue;
        GBuffer const replacement = UnicodeForm(pairs[p].second);
        // One pass into a new buffer: the same as replacing in place and searching on after each
        // inserted replacement.
        GBuffer result;
        result.Allocate(units.GetLength());
        int done = 0;
        while (found >= 0)
        {
            result.AppendByteArray(units.GetPtr() + 2 * done, 2 * (found - done));
            result += replacement;
            done = found + UnitCount(search);
            found = units.FindSubBuffer(search, done, true);
        }
        result.AppendByteArray(units.GetPtr() + 2 * done, units.GetLength() - 2 * done);
        units.Swap(result);
    }
    text = FromUnicode(units);
}

GString& GStringSupport::StripLeadingWhiteSpace(GString& text)
{
    GBuffer const units = UnicodeForm(text);
    int const count = UnitCount(units);
    int first = 0;
    while (first < count && IsWhiteSpace(UnitAt(units, first)))
        ++first;
    if (first == count)
        text.Clear();
    else
        text = FromUnicode(units, first, count - first);
    return text;
}

GString& GStringSupport::StripTrailingWhiteSpace(GString& text)
{
    GBuffer const units = UnicodeForm(text);
    int end = UnitCount(units);
    while (end > 0 && IsWhiteSpace(UnitAt(units, end - 1)))
        --end;
    if (end == 0)
        text.Clear();
    else
        text = FromUnicode(units, 0, end);
    return text;
}

void GStringSupport::GetDefaultEncodings(GTable<GEncoding*>& out)
{
    GEncoding* const encodings[] = {GASCIIEncoding::GetInstance(),    GWinAnsiEncoding::GetInstance(),
                                    GMacRomanEncoding::GetInstance(), GPlatformEncoding::GetInstance(),
                                    GPDFDocEncoding::GetInstance(),   GShiftJISEncoding::GetInstance(),
                                    GUnicodeEncoding::GetInstance()};
    out.Resize(0);
    for (GEncoding* encoding : encodings)
    {
        if (encoding)
            out.AddItem(encoding);
    }
}

bool GStringSupport::AssignEncoding(GBuffer const& bytes, GString& out, GTable<GEncoding*> const& candidates)
{
    if (AssignMarkedEncoding(bytes, out))
        return true;

    GTable<GEncoding*> tried;
    GUnicodeEncoding* const unicode = Unicode();
    if (HasInnerZeroByte(bytes))
    {
        bool allowed = candidates.GetCount() == 0;
        for (int i = 0; i < candidates.GetCount() && !allowed; ++i)
            allowed = candidates[i] == static_cast<GEncoding*>(unicode);
        if (allowed && unicode)
            tried.AddItem(unicode);
    }
    else if (candidates.GetCount())
        tried = candidates;
    else
        GetDefaultEncodings(tried);

    GBuffer scratch;
    for (int i = 0; i < tried.GetCount(); ++i)
    {
        GEncoding* const encoding = tried[i];
        if (!encoding || !unicode)
            continue;
        GBuffer copy(bytes);
        bool const wide = encoding == static_cast<GEncoding*>(unicode);
        if (wide)
            copy.SetLength(copy.GetLength() & ~1);
        GBufferSupport::StripTrailingZeroes(copy, wide);
        if (wide)
            GuessUnicodeByteOrder(copy);
        if (encoding->ConvertTo(copy, unicode, scratch) == GEncodingResult::cComplete)
        {
            out = GString(copy, encoding, true);
            return true;
        }
    }
    out.Clear();
    return false;
}

bool GStringSupport::AssignEncoding(GBuffer const& bytes, GString& out)
{
    return AssignEncoding(bytes, out, GTable<GEncoding*>());
}

bool GStringSupport::GetBuffer(GString const& text, GBuffer& out, GTable<GEncoding*> const& candidates)
{
    GTable<GEncoding*> defaults;
    if (candidates.GetCount() == 0)
        GetDefaultEncodings(defaults);
    GTable<GEncoding*> const& tried = candidates.GetCount() ? candidates : defaults;
    for (int i = 0; i < tried.GetCount(); ++i)
    {
        if (tried[i] && text.GetBuffer(out, tried[i]) == GEncodingResult::cComplete)
            return true;
    }
    out.SetLength(0);
    return false;
}

GBuffer GStringSupport::GetBuffer(GString const& text, GEncoding const* encoding)
{
    return text.GetBuffer(encoding);
}

void GStringSupport::ReplaceSpecialChars(GString& text)
{
    text = GString(EscapedUnicodeForm(text), Unicode(), false);
}

void GStringSupport::SetSpecialCharacters(GString& text)
{
    EditUnicodeForm(text, &GBufferSupport::UniReplaceEscapeCodes);
}

void GStringSupport::ReplaceSpecialEndCharsWithDefaultChar(GString& text)
{
    EditUnicodeForm(text, &GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar);
}

void GStringSupport::QuoteString(GString& text)
{
    GBuffer units = UnicodeForm(text);
    // An odd last byte is half a unit, no character: the quotes must stay on whole units.
    units.SetLength(units.GetLength() & ~1);
    GBuffer const escaped = EscapedUnicodeForm(FromUnicode(units));
    GBuffer quoted;
    quoted.Allocate(escaped.GetLength() + 4);
    quoted += cQuote;
    quoted += escaped;
    quoted += cQuote;
    text = GString(quoted, Unicode(), false);
}

bool GStringSupport::IsEqualIgnoreCase(GString const& a, GString const& b)
{
    GString lowerA(a);
    GString lowerB(b);
    lowerA.ToLower();
    lowerB.ToLower();
    return lowerA == lowerB;
}

int GStringSupport::Compare(GString const& a, GString const& b, bool caseSensitive)
{
    GBuffer const unitsA = UnicodeForm(a);
    GBuffer const unitsB = UnicodeForm(b);
    if (icu::Collator const* collator = GetCollator(caseSensitive))
    {
        UErrorCode status = U_ZERO_ERROR;
        UCollationResult const result = collator->compare(ToICU(unitsA), ToICU(unitsB), status);
        if (U_SUCCESS(status))
            return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
    }
    // Without a collator the order of the units themselves is the best that is left.
    int const order = ToICU(unitsA).compareCodePointOrder(ToICU(unitsB));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool GStringSupport::IsPossibleEmailAddress(GString const& text)
{
    GBuffer const units = UnicodeForm(text);
    int const count = UnitCount(units);
    int at = -1;
    for (int i = 0; i < count; ++i)
    {
        unsigned short const unit = UnitAt(units, i);
        if (unit == cSpace)
            return false;
        if (unit == cAt && at < 0)
            at = i;
    }
    return at > 0 && at < count - 1;
}

GString GStringSupport::Scramble(GString const& text)
{
    GBuffer scrambled;
    {
        GBuffer plain;
        text.GetBuffer(plain, GUTF8Encoding::GetInstance());
        GMemoryOutStream sink(scrambled);
        GEncryptOutStream encrypt(sink);
        encrypt.Write(plain);
    }
    GMemoryInStream source(scrambled);
    GHexEncode encoder(source, true);
    GBuffer hex;
    GStreamSupport::GetContent(encoder, hex);
    return GString(hex, GASCIIEncoding::GetInstance(), true);
}

GString GStringSupport::DeScramble(GString const& text)
{
    try
    {
        GBuffer hex;
        // Any character outside ASCII makes the text unreadable, as the decoder would find it.
        if (text.GetBuffer(hex, GASCIIEncoding::GetInstance()) != 1)
            return GString();
        GBuffer plain;
        GMemoryInStream source(hex);
        GHexDecode decoder(source);
        GDecryptInStream decrypt(decoder);
        // Two digits make one byte, so as many bytes as there are characters cover the text.
        decrypt.Read(plain, hex.GetLength());
        // The bytes are the text's UTF-8 as they are: what is no UTF-8 reads as the decoder reads it.
        return GString(plain, GUTF8Encoding::GetInstance(), true);
    }
    catch (GException const&) // any failure, running out of memory included, leaves the secret unread
    {
        return GString();
    }
}

GRange GStringSupport::GetUnicodeRange(RangeSpecifier which)
{
    // The CJK blocks in the order they are added.
    static int const cCJKBlocks[][2] = {{0x2E80, 0x2EFF}, {0x3000, 0x30FF}, {0x31C0, 0x4DBF},
                                        {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}};
    GRange range;
    switch (which)
    {
    case cLatinCapitals:
        range.AddRange(0x41, 0x5A);
        break;
    case cCJK:
        for (auto const& block : cCJKBlocks)
            range.AddRange(block[0], block[1]);
        break;
    case cBasicMultilingualPlane:
        range.AddRange(0x0000, 0xFFFF);
        break;
    }
    return range;
}

bool GStringSupport::MatchStrings(GString const& pattern, GString const& text, bool ignoreCase, bool partial,
                                  bool invert, bool useRegularExpression)
{
    GString thePattern(pattern);
    GString theText(text);
    if (ignoreCase)
    {
        thePattern.ToLower();
        theText.ToLower();
    }
    bool matched = false;
    if (!useRegularExpression)
        matched = partial ? theText.Find(thePattern, 0) >= 0 : theText == thePattern;
    else
    {
        GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
        GBuffer const patternBytes = thePattern.GetBuffer(utf8);
        GBuffer const textBytes = theText.GetBuffer(utf8);
        try
        {
            matched = partial ? GRegExpSupport::Search(textBytes, patternBytes)
                              : GRegExpSupport::Match(textBytes, patternBytes);
        }
        catch (GSimpleException const&)
        {
            // A pattern the engine rejects (or cannot run within its limits) matches nothing.
            matched = false;
        }
    }
    return invert ? !matched : matched;
}

bool GStringSupport::IsLessThanAlphanumeric(GString const& a, GString const& b)
{
    GBuffer const unitsA = UnicodeForm(a);
    GBuffer const unitsB = UnicodeForm(b);
    // Where the rests of both texts start; each round takes equal text and an equal number off both.
    int restA = 0;
    int restB = 0;
    for (;;)
    {
        int const digitA = FirstDigit(unitsA, restA);
        int const digitB = FirstDigit(unitsB, restB);
        int const prefix = digitA - restA;
        bool const samePlace = digitA >= 0 && digitB >= 0 && prefix == digitB - restB;
        if (!samePlace || (prefix && std::memcmp(unitsA.GetPtr() + 2 * restA, unitsB.GetPtr() + 2 * restB,
                                                 2 * std::size_t(prefix)) != 0))
            return IsLessByBytes(unitsA, restA, unitsB, restB);
        int firstA;
        int firstB;
        int const endA = ScanNumber(unitsA, digitA, firstA);
        int const endB = ScanNumber(unitsB, digitB, firstB);
        int const order = CompareNumbers(unitsA, firstA, endA, unitsB, firstB, endB);
        if (order)
            return order < 0;
        restA = endA;
        restB = endB;
    }
}

void GStringSupport::IncreaseNumericSuffix(GString& text, unsigned int maxLength)
{
    GBuffer const units = UnicodeForm(text);
    int count = UnitCount(units);
    GString suffix(" (2)");
    if (count >= 4 && UnitAt(units, count - 1) == ')')
    {
        int open = count - 3;
        while (open >= 0 && UnitAt(units, open) != '(')
            --open;
        if (open >= 0)
        {
            GString const digits = FromUnicode(units, open + 1, count - 2 - open);
            int const number = digits.GetInt32();
            if (GString(number) == digits)
            {
                // 64 bits, so that the largest count goes on to the next number.
                suffix = GString("(") + GString(static_cast<long long>(number) + 1) + GString(")");
                count = open;
            }
        }
    }
    GBuffer const suffixUnits = UnicodeForm(suffix);
    std::int64_t const suffixCount = UnitCount(suffixUnits);
    if (maxLength != 0 && count + suffixCount > std::int64_t(maxLength))
        count = std::int64_t(maxLength) > suffixCount ? int(std::int64_t(maxLength) - suffixCount) : 0;
    GBuffer result = units.GetSubBuffer(0, 2 * count);
    result += suffixUnits;
    text = FromUnicode(result);
}
