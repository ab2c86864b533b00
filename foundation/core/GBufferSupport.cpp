// Static helpers over byte buffers: escape codes, line endings, byte order, number text, lists, bits.
#include "GBufferSupport.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "GBuffer.h"
#include "GEncoding.h"
#include "GMemoryException.h"
#include "GRegExpSupport.h"
#include "GString.h"
#include "GStringSupport.h"
#include "GTable.h"
#include "GUnicodeEncoding.h"

bool GBufferSupport::sLineEndingNeedsCR = false;
bool GBufferSupport::sLineEndingNeedsLF = false;

namespace
{
constexpr unsigned cTab = 9;
constexpr unsigned cLF = 10;
constexpr unsigned cCR = 13;
constexpr unsigned cEsc = 27;
constexpr unsigned cQuote = 34;
constexpr unsigned cApostrophe = 39;
constexpr unsigned cBackslash = GBufferSupport::cEscapeCharacter;
constexpr unsigned cEscapedTab = GBufferSupport::cEscapedTab;
constexpr unsigned cEscapedLineEnd = GBufferSupport::cEscapedLineEnd;

// The units of a text: bytes, or UTF-16 units in the machine's order. Borrowed bytes may lie at any
// address, so units are copied out rather than read through a cast pointer. The odd last byte of
// UTF-16 text is the tail, which the editors carry to the end of their result untouched.
template<class Unit>
class UnitReader
{
public:
    explicit UnitReader(GBuffer const& text)
        : fData(text.GetPtr()), fCount(text.GetLength() / int(sizeof(Unit))),
          fTailLength(text.GetLength() - fCount * int(sizeof(Unit)))
    {
    }

    int GetCount() const { return fCount; }
    Unit operator[](int index) const
    {
        Unit unit;
        std::memcpy(&unit, fData + std::size_t(index) * sizeof(Unit), sizeof unit);
        return unit;
    }
    unsigned char const* GetTail() const { return fData + std::size_t(fCount) * sizeof(Unit); }
    int GetTailLength() const { return fTailLength; }

private:
    unsigned char const* fData;
    int fCount;
    int fTailLength;
};

// A fresh text of at most a known number of units, put in place of the old one when finished.
template<class Unit>
class UnitWriter
{
public:
    UnitWriter(std::int64_t maxUnits, UnitReader<Unit> const& in) : fIn(in), fCount(0)
    {
        std::int64_t bytes = maxUnits * std::int64_t(sizeof(Unit)) + in.GetTailLength();
        if (bytes > std::int64_t(GBuffer::cMaxCapacity) - 2)
            throw GMemoryException();
        fOut.SetLength(int(bytes));
        fData = fOut.GetWritePtr();
    }

    void Put(Unit unit)
    {
        std::memcpy(fData + std::size_t(fCount) * sizeof(Unit), &unit, sizeof unit);
        ++fCount;
    }
    void Put(unsigned a, unsigned b)
    {
        Put(Unit(a));
        Put(Unit(b));
    }
    // Copies the units [from, to) of the source unchanged.
    void Copy(int from, int to)
    {
        for (int i = from; i < to; ++i)
            Put(fIn[i]);
    }
    void Finish(GBuffer& text)
    {
        std::size_t length = std::size_t(fCount) * sizeof(Unit);
        if (fIn.GetTailLength())
            std::memcpy(fData + length, fIn.GetTail(), std::size_t(fIn.GetTailLength()));
        fOut.SetLength(int(length) + fIn.GetTailLength());
        text.Swap(fOut);
    }

private:
    UnitReader<Unit> const& fIn;
    GBuffer fOut;
    unsigned char* fData;
    int fCount;
};

template<class Unit>
bool IsEscapeUnit(Unit unit)
{
    return unit <= 255 && GBufferSupport::IsBackSlashCharacter(static_cast<unsigned char>(unit));
}

template<class Unit>
bool NeedsEscape(Unit unit)
{
    return unit == cTab || unit == cLF || unit == cCR || unit == cQuote || unit == cBackslash;
}

template<class Unit>
void WriteEscapes(GBuffer& text)
{
    UnitReader<Unit> in(text);
    int const count = in.GetCount();
    int first = 0;
    while (first < count && !NeedsEscape(in[first]))
        ++first;
    if (first == count)
        return;
    UnitWriter<Unit> out(2 * std::int64_t(count), in);
    out.Copy(0, first);
    for (int i = first; i < count; ++i)
    {
        Unit const unit = in[i];
        switch (unit)
        {
        case cTab:
            out.Put(cBackslash, cEscapedTab);
            break;
        case cLF:
        case cCR:
            out.Put(cBackslash, cEscapedLineEnd);
            // The other one of the pair belongs to the same line break.
            if (i + 1 < count && in[i + 1] == (unit == cLF ? cCR : cLF))
                ++i;
            break;
        case cQuote:
        case cBackslash:
            out.Put(cBackslash, unit);
            break;
        default:
            out.Put(unit);
        }
    }
    out.Finish(text);
}

template<class Unit>
void PutLineEnding(UnitWriter<Unit>& out)
{
    if (GBufferSupport::sLineEndingNeedsCR)
        out.Put(Unit(cCR));
    if (GBufferSupport::sLineEndingNeedsLF)
        out.Put(Unit(cLF));
}

template<class Unit>
void ReadEscapes(GBuffer& text)
{
    UnitReader<Unit> in(text);
    int const count = in.GetCount();
    // An escape character in the last place escapes nothing, so only one before it counts.
    int first = 0;
    while (first + 1 < count && !IsEscapeUnit(in[first]))
        ++first;
    if (first + 1 >= count)
        return;
    // Every escape takes two units and gives at most two.
    UnitWriter<Unit> out(count, in);
    out.Copy(0, first);
    for (int i = first; i < count; ++i)
    {
        Unit const unit = in[i];
        if (!IsEscapeUnit(unit) || i + 1 == count)
        {
            out.Put(unit);
            continue;
        }
        Unit const next = in[++i];
        if (next == cEscapedLineEnd)
            PutLineEnding(out);
        else if (next == cEscapedTab)
            out.Put(Unit(cTab));
        else if (next == cQuote || next == cApostrophe || next == cBackslash)
            out.Put(next);
        else
            out.Put(unit, next);
    }
    out.Finish(text);
}

template<class Unit>
void ToPlatformLineEndings(GBuffer& text)
{
    UnitReader<Unit> in(text);
    int const count = in.GetCount();
    bool const needsCR = GBufferSupport::sLineEndingNeedsCR;
    bool const needsLF = GBufferSupport::sLineEndingNeedsLF;
    // With CR alone as the ending, only an LF changes anything.
    int first = 0;
    while (first < count && in[first] != cLF && (in[first] != cCR || (needsCR && !needsLF)))
        ++first;
    if (first == count)
        return;
    // A CR passed over above still owns the LF that follows it.
    if (first > 0 && in[first - 1] == cCR)
        --first;
    UnitWriter<Unit> out((needsCR && needsLF ? 2 : 1) * std::int64_t(count), in);
    out.Copy(0, first);
    for (int i = first; i < count; ++i)
    {
        Unit const unit = in[i];
        if (unit == cCR || unit == cLF)
        {
            PutLineEnding(out);
            // An LF right after a CR belongs to that CR.
            if (unit == cCR && i + 1 < count && in[i + 1] == cLF)
                ++i;
        }
        else
            out.Put(unit);
    }
    out.Finish(text);
}

// Trailing zeros and then a bare point of a number text ending in a fraction; returns the new end.
char* TrimFraction(char* begin, char* end)
{
    if (!std::memchr(begin, '.', std::size_t(end - begin)))
        return end;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    return end;
}

char const cDigitPairs[] = "00010203040506070809"
                           "10111213141516171819"
                           "20212223242526272829"
                           "30313233343536373839"
                           "40414243444546474849"
                           "50515253545556575859"
                           "60616263646566676869"
                           "70717273747576777879"
                           "80818283848586878889"
                           "90919293949596979899";

std::uint64_t const cPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                      100000, 1000000, 10000000, 100000000, 1000000000};

// The decimal digits of value, at least minDigits of them (leading zeros), two at a time.
char* WriteDigits(char* p, std::uint32_t value, int minDigits)
{
    int digits = 1;
    while (digits < 10 && value >= cPowersOfTen[digits])
        ++digits;
    if (digits < minDigits)
        digits = minDigits;
    char* const end = p + digits;
    char* q = end;
    while (q - p >= 2)
    {
        std::uint32_t const pair = value % 100;
        value /= 100;
        q -= 2;
        q[0] = cDigitPairs[2 * pair];
        q[1] = cDigitPairs[2 * pair + 1];
    }
    if (q > p)
        *--q = char('0' + value % 10);
    return end;
}

// The text of RealToBuffer without the space; returns its end. text holds at least 64 characters.
char* WriteReal(double x, char* text)
{
    char* p = text;
    double const magnitude = std::fabs(x);
    if (x == 0 || std::isnan(x))
    {
        *p++ = '0';
        return p;
    }
    if (magnitude > 9999.99999)
    {
        double const limited = x > 1e50 ? 1e50 : (x < -1e50 ? -1e50 : x);
        p = std::to_chars(p, text + 64, limited, std::chars_format::fixed, 5).ptr;
        return TrimFraction(text, p);
    }
    if (magnitude < 0.1 && magnitude > 1e-16)
    {
        // The shortest text that reads back as the value gives its significant digits, so
        // 0.000001 shows as such and not as the 0.000000999999... the double holds.
        char scientific[32];
        char* end = std::to_chars(scientific, scientific + sizeof scientific, magnitude,
                                  std::chars_format::scientific)
                        .ptr;
        char* e = static_cast<char*>(std::memchr(scientific, 'e', std::size_t(end - scientific)));
        int exponent = 0;
        std::from_chars(e + 1 + (e[1] == '+'), end, exponent);
        if (x < 0)
            *p++ = '-';
        *p++ = '0';
        *p++ = '.';
        for (int zeros = -exponent - 1; zeros > 0; --zeros)
            *p++ = '0';
        int significant = 0;
        for (char const* d = scientific; d < e && significant < 6; ++d)
        {
            if (*d != '.')
            {
                *p++ = *d;
                ++significant;
            }
        }
        while (p[-1] == '0')
            --p;
        return p;
    }
    std::uint32_t const scaled = static_cast<std::uint32_t>(magnitude * 100000 + 0.5);
    if (scaled == 0)
    {
        *p++ = '0';
        return p;
    }
    if (x < 0)
        *p++ = '-';
    p = WriteDigits(p, scaled / 100000, 1);
    std::uint32_t const fraction = scaled % 100000;
    if (fraction == 0)
        return p;
    *p++ = '.';
    p = WriteDigits(p, fraction, 5);
    return TrimFraction(text, p);
}

GBuffer RomanNumeral(unsigned int value, bool upper)
{
    struct Step
    {
        unsigned value;
        char const* upper;
        char const* lower;
    };
    static Step const cSteps[] = {{1000, "M", "m"}, {900, "CM", "cm"}, {500, "D", "d"}, {400, "CD", "cd"},
                                  {100, "C", "c"},  {90, "XC", "xc"},  {50, "L", "l"},  {40, "XL", "xl"},
                                  {10, "X", "x"},   {9, "IX", "ix"},   {5, "V", "v"},   {4, "IV", "iv"},
                                  {1, "I", "i"}};
    GBuffer out;
    // Thousands first in one block, since "M" repeats without limit.
    unsigned thousands = value / 1000;
    if (thousands)
    {
        out.SetLength(int(thousands));
        std::memset(out.GetWritePtr(), upper ? 'M' : 'm', thousands);
        value %= 1000;
    }
    for (Step const& step : cSteps)
    {
        while (value >= step.value)
        {
            out += upper ? step.upper : step.lower;
            value -= step.value;
        }
    }
    return out;
}
} // namespace

// --- escape codes ---

void GBufferSupport::UniReplaceSpecialChars(GBuffer& text)
{
    WriteEscapes<unsigned short>(text);
}

void GBufferSupport::ASCIIReplaceSpecialChars(GBuffer& text)
{
    WriteEscapes<unsigned char>(text);
}

void GBufferSupport::UniReplaceEscapeCodes(GBuffer& text)
{
    ReadEscapes<unsigned short>(text);
}

void GBufferSupport::ASCIIReplaceEscapeCodes(GBuffer& text)
{
    ReadEscapes<unsigned char>(text);
}

void GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar(GBuffer& text)
{
    UnitReader<unsigned short> in(text);
    int const count = in.GetCount();
    int first = 0;
    while (first < count && in[first] != cCR && in[first] != cLF)
        ++first;
    if (first == count)
        return;
    unsigned short const replacement = static_cast<unsigned char>(GEncoding::GetDefaultCharacter());
    UnitWriter<unsigned short> out(count, in);
    out.Copy(0, first);
    for (int i = first; i < count; ++i)
    {
        unsigned short const unit = in[i];
        if (unit != cCR && unit != cLF)
        {
            out.Put(unit);
            continue;
        }
        out.Put(replacement);
        if (i + 1 < count && in[i + 1] == (unit == cCR ? cLF : cCR))
            ++i;
    }
    out.Finish(text);
}

void GBufferSupport::RemoveUnicodeLanguageTags(GBuffer& text)
{
    UnitReader<unsigned short> in(text);
    int const count = in.GetCount();
    int open = 0;
    while (open < count && in[open] != cEsc)
        ++open;
    int close = open + 1;
    while (close < count && in[close] != cEsc)
        ++close;
    if (close >= count)
        return;
    text.Remove(open * 2, (close - open + 1) * 2);
}

// --- line endings ---

void GBufferSupport::SetLineEnding(bool needsCR, bool needsLF)
{
    sLineEndingNeedsCR = needsCR;
    sLineEndingNeedsLF = needsLF;
}

void GBufferSupport::ASCIIPlatformLineEndings(GBuffer& text)
{
    ToPlatformLineEndings<unsigned char>(text);
}

void GBufferSupport::UniPlatformLineEndings(GBuffer& text)
{
    ToPlatformLineEndings<unsigned short>(text);
}

// --- byte order ---

void GBufferSupport::SwapUnicodeBytes(GBuffer& buffer)
{
    unsigned char* data = buffer.GetWritePtr();
    int const length = buffer.GetLength();
    for (int i = 0; i + 1 < length; i += 2)
        std::swap(data[i], data[i + 1]);
}

void GBufferSupport::SwapBigEndian(GBuffer& buffer)
{
    // A lone byte is no unit, so it is not even made writable.
    if (buffer.GetLength() >= 2)
        SwapUnicodeBytes(buffer);
}

// --- numbers ---

void GBufferSupport::GenerateFormatStringForReals(int digits, GBuffer& out)
{
    // A negative precision would not be a format at all; two digits are all printf needs.
    if (digits < 0)
        digits = 0;
    else if (digits > 99)
        digits = 99;
    char format[8] = "%1.";
    char* end = WriteDigits(format + 3, std::uint32_t(digits), 1);
    *end++ = 'f';
    out.Set(reinterpret_cast<unsigned char const*>(format), int(end - format));
}

void GBufferSupport::RealToBuffer(double x, GBuffer& out, bool addSpace)
{
    char text[80];
    char* end = WriteReal(x, text);
    if (addSpace)
        *end++ = ' ';
    out.Set(reinterpret_cast<unsigned char const*>(text), int(end - text));
}

bool GBufferSupport::IsReal(GBuffer const& text)
{
    static GBuffer const sRealPattern = GBuffer::FromStatic(
        "[+-]?(([0-9]+)|((([0-9]*\\.[0-9]+)|([0-9]+\\.))([eE][+-]?[0-9]+)?)|([0-9]+[eE][+-]?[0-9]+))");
    return GRegExpSupport::Match(text, sRealPattern);
}

void GBufferSupport::StripTrailingZeroes(GBuffer& buffer, bool wide)
{
    unsigned char const* data = buffer.GetPtr();
    int length = buffer.GetLength();
    if (wide)
    {
        // A zero odd byte after the units goes first; a non-zero one ends no unit of zeros.
        if (length % 2 && data[length - 1] == 0)
            --length;
        if (length % 2 == 0)
        {
            while (length >= 2 && data[length - 1] == 0 && data[length - 2] == 0)
                length -= 2;
        }
    }
    else
    {
        while (length > 0 && data[length - 1] == 0)
            --length;
    }
    if (length != buffer.GetLength())
        buffer.SetLength(length);
}

// --- text ---

void GBufferSupport::StripLeadingWhiteSpace(GBuffer& text)
{
    unsigned char const* data = text.GetPtr();
    int const length = text.GetLength();
    int first = 0;
    while (first < length && GStringSupport::IsWhiteSpace(data[first]))
        ++first;
    if (first)
        text.Remove(0, first);
}

void GBufferSupport::StripTrailingWhiteSpace(GBuffer& text)
{
    unsigned char const* data = text.GetPtr();
    int length = text.GetLength();
    while (length > 0 && GStringSupport::IsWhiteSpace(data[length - 1]))
        --length;
    if (length != text.GetLength())
        text.SetLength(length);
}

GBuffer GBufferSupport::GetUnicodeBuffer(char const* text, GEncoding const* encoding)
{
    return GString(text, encoding, false).GetBuffer(GUnicodeEncoding::GetInstance());
}

GBuffer GBufferSupport::GetUnicodeBuffer(GBuffer const& text, GEncoding const* encoding)
{
    return GString(text, encoding, false).GetBuffer(GUnicodeEncoding::GetInstance());
}

void GBufferSupport::ConvertToPString(GBuffer& buffer)
{
    int const length = buffer.GetLength() > 255 ? 255 : buffer.GetLength();
    unsigned char const lengthByte = static_cast<unsigned char>(length);
    GBuffer out;
    out.SetLength(length + 1);
    unsigned char* data = out.GetWritePtr();
    data[0] = lengthByte;
    if (length)
        std::memcpy(data + 1, buffer.GetPtr(), std::size_t(length));
    buffer.Swap(out);
}

// --- separated lists ---

void GBufferSupport::SeparatedBufferToBufferTable(GBuffer const& in, GTable<unsigned char> const& separators,
                                                  GTable<GBuffer>& out, bool keepEmpty)
{
    // A copy (shared when borrowed), since the input may be one of out's buffers.
    GBuffer const text(in);
    out.Resize(0);
    bool isSeparator[256] = {};
    for (int i = 0; i < separators.GetCount(); ++i)
        isSeparator[separators[i]] = true;
    unsigned char const* data = text.GetPtr();
    int const length = text.GetLength();
    int start = 0;
    for (int i = 0; i <= length; ++i)
    {
        if (i < length && !isSeparator[data[i]])
            continue;
        if (keepEmpty || i > start)
            out.AddItem(GBuffer(data + start, i - start));
        start = i + 1;
    }
}

void GBufferSupport::BufferTableToSeparatedBuffer(GTable<GBuffer> const& items, GBuffer const& separator,
                                                  GBuffer& out)
{
    // Built aside, so that the separator or an item may be out itself.
    GBuffer joined;
    std::int64_t total = 0;
    for (int i = 0; i < items.GetCount(); ++i)
        total += items[i].GetLength() + (i ? separator.GetLength() : 0);
    if (total > std::int64_t(GBuffer::cMaxCapacity) - 2)
        throw GMemoryException();
    joined.Allocate(int(total));
    for (int i = 0; i < items.GetCount(); ++i)
    {
        if (i)
            joined += separator;
        joined += items[i];
    }
    out.Swap(joined);
}

void GBufferSupport::MergeIntoSeparatedBuffer(GTable<GBuffer> const& items, GBuffer& out)
{
    constexpr unsigned char cEscape = '#';
    constexpr unsigned char cSeparator = '|';
    GBuffer merged;
    if (items.GetCount())
    {
        merged += cEscape;
        merged += cSeparator;
    }
    for (int i = 0; i < items.GetCount(); ++i)
    {
        if (i)
            merged += cSeparator;
        unsigned char const* data = items[i].GetPtr();
        for (int k = 0; k < items[i].GetLength(); ++k)
        {
            if (data[k] == cEscape || data[k] == cSeparator)
                merged += cEscape;
            merged += data[k];
        }
    }
    out.Swap(merged);
}

void GBufferSupport::SplitSeparatedBuffer(GBuffer const& in, GTable<GBuffer>& out)
{
    // A copy (shared when borrowed), since the input may be one of out's buffers.
    GBuffer const text(in);
    out.Resize(0);
    int const length = text.GetLength();
    // Two bytes are the header of a list of one empty item, which is how such a list is written.
    if (length < 2)
        return;
    unsigned char const* data = text.GetPtr();
    unsigned char const escape = data[0];
    unsigned char const separator = data[1];
    GBuffer item;
    for (int i = 2; i < length; ++i)
    {
        unsigned char const byte = data[i];
        if (byte == separator)
        {
            out.AddItem(item);
            item.SetLength(0);
        }
        else if (byte == escape)
        {
            // An escape in the last place has nothing to escape and is dropped.
            if (i + 1 < length)
                item += data[++i];
        }
        else
            item += byte;
    }
    out.AddItem(item);
}

// --- bits and numerals ---

void GBufferSupport::CopyBitBlock_LBE_LBE(GBuffer const& src, int srcBit, int bitCount, GBuffer& dst,
                                          int dstBit)
{
    std::int64_t const srcBits = std::int64_t(src.GetLength()) * 8;
    if (bitCount < 1 || srcBit < 0 || dstBit < 0 || srcBit >= srcBits)
        return;
    std::int64_t count = bitCount;
    if (srcBit + count > srcBits)
        count = srcBits - srcBit;
    // Copying within one buffer reads the source before any target bit changes.
    GBuffer const source = &src == &dst ? GBuffer(src.GetPtr(), src.GetLength()) : GBuffer();
    unsigned char const* from = &src == &dst ? source.GetPtr() : src.GetPtr();

    std::int64_t const needed = (dstBit + count + 7) / 8;
    if (needed > std::int64_t(GBuffer::cMaxCapacity) - 2)
        throw GMemoryException();
    int const oldLength = dst.GetLength();
    if (needed > oldLength)
    {
        dst.SetLength(int(needed));
        std::memset(dst.GetWritePtr() + oldLength, 0, std::size_t(needed - oldLength));
    }
    unsigned char* to = dst.GetWritePtr();
    for (std::int64_t i = 0; i < count; ++i)
    {
        std::int64_t const s = srcBit + i;
        std::int64_t const d = dstBit + i;
        unsigned char const mask = static_cast<unsigned char>(1u << (d % 8));
        if ((from[s / 8] >> (s % 8)) & 1u)
            to[d / 8] |= mask;
        else
            to[d / 8] &= static_cast<unsigned char>(~mask);
    }
}

GBuffer GBufferSupport::IntToRomanNumeralUpper(unsigned int value)
{
    return RomanNumeral(value, true);
}

GBuffer GBufferSupport::IntToRomanNumeralLower(unsigned int value)
{
    return RomanNumeral(value, false);
}
