// GString: construction and the storage rule, conversions, joining, comparison, hashing and
// parameter substitution. ASCII and UTF-16, the encodings of almost every string, meet without
// building a temporary UTF-16 copy.
#include "GString.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "GASCIIEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

GString const GString::cEmptyString;

namespace
{
// The encodings recognised by name, compared with GetASCIIDescription.
GBuffer const cASCIIEncoding = GBuffer::FromStatic("ASCIIEncoding");
GBuffer const cMacRomanEncoding = GBuffer::FromStatic("MacRomanEncoding");
GBuffer const cPDFDocEncoding = GBuffer::FromStatic("PDFDocEncoding");
GBuffer const cUnicodeEncoding = GBuffer::FromStatic("UnicodeEncoding");
GBuffer const cWinAnsiEncoding = GBuffer::FromStatic("WinAnsiEncoding");
GBuffer const cUTF8Encoding = GBuffer::FromStatic("UTF-8Encoding");

// The name reported for a string without encoding.
GBuffer const& NullEncodingName()
{
    static GBuffer const name = GBuffer::FromStatic("NULL");
    return name;
}

// Every unit below U+0300 is composed already and none of them composes with a neighbour.
constexpr unsigned short cFirstComposingUnit = 0x0300;

constexpr unsigned short cPercent = 0x25;
constexpr unsigned short cDigitOne = 0x31;
constexpr unsigned short cDigitNine = 0x39;
constexpr unsigned short cLetterS = 0x73;

bool IsUnicodeEncoding(GEncoding const* encoding)
{
    return encoding && encoding == GUnicodeEncoding::GetInstance();
}

bool IsASCIIEncoding(GEncoding const* encoding)
{
    return encoding && encoding == GASCIIEncoding::GetInstance();
}

// The UTF-16 unit of an ASCII byte, as GASCIIEncoding's conversion gives it.
inline unsigned short WidenASCII(unsigned char byte, unsigned short fallback)
{
    unsigned short const unit = GASCIIEncoding::sASCIIToUnicode[byte];
    return unit ? unit : fallback;
}

unsigned short ASCIIFallback()
{
    return static_cast<unsigned char>(GEncoding::GetDefaultCharacter());
}

// Four UTF-16 units read as one 64-bit word, each in its 16-bit lane.
inline std::uint64_t FourUnitsAt(unsigned char const* units)
{
    std::uint64_t word;
    std::memcpy(&word, units, sizeof word);
    return word;
}

// The top bit of each lane of four units that is at least threshold (below 0x8000): in
// (lane | 0x8000) - threshold the top bit stays where the low 15 bits reach it, and a lane of
// 0x8000 or more has it already. No lane borrows from its neighbour.
inline std::uint64_t LanesAtLeast(std::uint64_t lanes, unsigned threshold)
{
    constexpr std::uint64_t cHighs = 0x8000800080008000ull;
    return (((lanes | cHighs) - 0x0001000100010001ull * threshold) | lanes) & cHighs;
}

// EnsureComposedUnicode of the UTF-16 singleton, skipped when no unit can take part in a composition.
void ComposeUTF16(GBuffer& utf16)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
        return;
    int const units = utf16.GetLength() / 2;
    unsigned char const* data = utf16.GetPtr();
    int i = 0;
    for (; i + 4 <= units; i += 4)
    {
        if (LanesAtLeast(FourUnitsAt(data + 2 * i), cFirstComposingUnit))
        {
            unicode->EnsureComposedUnicode(utf16);
            return;
        }
    }
    for (; i < units; ++i)
    {
        if (GBuffer::ReadUnit(data, i) >= cFirstComposingUnit)
        {
            unicode->EnsureComposedUnicode(utf16);
            return;
        }
    }
}

// Bytes that ASCII maps onto the unit of the same value: 0x07 to 0x7F. For a value holding bytes
// in separate 16-bit lanes, StraysOf is not 0 when a lane holds another byte (a borrow out of a lane
// may flag its neighbour too, which only costs the exact path).
inline std::uint32_t StraysOf(std::uint32_t lanes)
{
    return ((lanes - 0x00070007u) | lanes) & 0xFF80FF80u;
}

// MurmurHash2 (seed 0), as GBuffer::GetHash computes it, of the UTF-16 form of count ASCII bytes:
// each block of four bytes is two units. With cPlain the bytes are taken as their own units and
// outside tells whether any byte needs the table after all.
template<bool cPlain>
int HashWidenedASCII(unsigned char const* bytes, int count, unsigned short fallback, bool& outside)
{
    constexpr std::uint32_t m = 0x5bd1e995;
    constexpr int r = 24;
    auto widen = [&](unsigned char byte) -> std::uint32_t
    { return cPlain ? byte : WidenASCII(byte, fallback); };
    std::uint32_t h = static_cast<std::uint32_t>(2 * count);
    std::uint32_t strays = 0;
    int i = 0;
    for (; i + 1 < count; i += 2)
    {
        std::uint32_t k = widen(bytes[i]) | widen(bytes[i + 1]) << 16;
        if (cPlain)
            strays |= StraysOf(k);
        k *= m;
        k ^= k >> r;
        k *= m;
        h *= m;
        h ^= k;
    }
    if (i < count)
    {
        std::uint32_t const k = widen(bytes[i]);
        if (cPlain)
            strays |= ((k - 0x07u) | k) & 0xFFFFFF80u;
        // Two tail bytes: the unit's low byte and a zero.
        h ^= k;
        h *= m;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    outside = strays != 0;
    return static_cast<int>(h);
}

int HashWidenedASCII(unsigned char const* bytes, int count)
{
    bool outside = false;
    int const hash = HashWidenedASCII<true>(bytes, count, 0, outside);
    if (!outside)
        return hash;
    return HashWidenedASCII<false>(bytes, count, ASCIIFallback(), outside);
}

// Whether count units equal the UTF-16 form of count ASCII bytes. Blocks of plain bytes are
// compared as their own units; a block with another byte is compared through the table.
bool EqualsWidenedASCII(unsigned char const* units, unsigned char const* bytes, int count)
{
    constexpr int cBlock = 16;
    for (int start = 0; start < count; start += cBlock)
    {
        int const end = count - start < cBlock ? count : start + cBlock;
        unsigned differ = 0;
        unsigned strays = 0;
        for (int i = start; i < end; ++i)
        {
            unsigned const byte = bytes[i];
            differ |= GBuffer::ReadUnit(units, i) ^ byte;
            strays |= ((byte - 0x07u) | byte) & 0x80u;
        }
        if (strays)
        {
            unsigned short const fallback = ASCIIFallback();
            for (int i = start; i < end; ++i)
            {
                if (GBuffer::ReadUnit(units, i) != WidenASCII(bytes[i], fallback))
                    return false;
            }
        }
        else if (differ)
            return false;
    }
    return true;
}

// Whether every byte is one the ASCII encoding maps to itself (7 to 0x7F; it holds no character for
// 0 to 6), eight at a time.
bool IsPlainASCII(GBuffer const& bytes)
{
    constexpr std::uint64_t cOnes = 0x0101010101010101ull;
    constexpr std::uint64_t cHighBits = 0x8080808080808080ull;
    unsigned char const* p = bytes.GetPtr();
    std::size_t const length = static_cast<std::size_t>(bytes.GetLength());
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8)
    {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        // A high bit set, or a byte below 7 (the subtraction borrows into its high bit).
        if ((word & cHighBits) || ((word - 7 * cOnes) & ~word & cHighBits))
            return false;
    }
    for (; i < length; ++i)
    {
        if (p[i] >= 0x80 || p[i] < 7)
            return false;
    }
    return true;
}

// UTF-16 text of whole units from lowest to 0x7F, narrowed byte by byte into out: the same text in
// UTF-8 (lowest 1: a zero unit is reported by the conversion) or in ASCII (lowest 7: the units below
// have no byte there). False, out untouched, for any other text.
bool NarrowPlainUnits(GBuffer const& utf16, GBuffer& out, unsigned lowest)
{
    int const length = utf16.GetLength();
    if (length & 1)
        return false;
    unsigned char const* p = utf16.GetPtr();
    int const units = length / 2;
    // Four units at a time: every lane at least lowest and none at 0x80 or above.
    constexpr std::uint64_t cAllLanes = 0x8000800080008000ull;
    int i = 0;
    for (; i + 4 <= units; i += 4)
    {
        std::uint64_t const word = FourUnitsAt(p + 2 * i);
        if (LanesAtLeast(word, 0x80) || LanesAtLeast(word, lowest) != cAllLanes)
            return false;
    }
    for (; i < units; ++i)
    {
        unsigned const unit = GBuffer::ReadUnit(p, i);
        if (unit < lowest || unit >= 0x80)
            return false;
    }
    out.SetLength(length / 2);
    unsigned char* target = out.GetWritePtr();
    for (int i = 0; i < length / 2; ++i)
        target[i] = static_cast<unsigned char>(GBuffer::ReadUnit(p, i));
    return true;
}

// Whether the UTF-16 form of ASCII bytes has a length a buffer can hold; longer texts go through the
// encoding's conversion, which reports that they cannot.
inline bool IsWidenable(GBuffer const& ascii)
{
    return ascii.GetLength() <= int(GBuffer::cMaxCapacity / 2) - 2;
}

// The UTF-16 form of a string, read in place where it can be: a UTF-16 string's own bytes, or an
// ASCII string's bytes widened unit by unit. Other encodings are converted into a buffer of the view.
class UnitView
{
public:
    UnitView(GBuffer const& bytes, GEncoding const* encoding)
        : fData(nullptr), fByteLength(0), fNarrow(false), fFallback(0)
    {
        if (!encoding)
            return;
        if (IsUnicodeEncoding(encoding))
        {
            fData = bytes.GetPtr();
            fByteLength = bytes.GetLength();
        }
        else if (IsASCIIEncoding(encoding) && IsWidenable(bytes))
        {
            fData = bytes.GetPtr();
            fByteLength = 2 * bytes.GetLength();
            fNarrow = true;
            fFallback = ASCIIFallback();
        }
        else if (GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance())
        {
            unicode->ConvertFrom(bytes, encoding, fConverted);
            ComposeUTF16(fConverted);
            fData = fConverted.GetPtr();
            fByteLength = fConverted.GetLength();
        }
    }
    UnitView(UnitView const&) = delete;
    UnitView& operator=(UnitView const&) = delete;

    int GetByteLength() const { return fByteLength; }
    // Whole units; a UTF-16 string may end in an odd byte, which ByteAt reaches.
    int GetUnitCount() const { return fByteLength / 2; }
    bool IsNarrow() const { return fNarrow; }
    unsigned short operator[](int index) const
    {
        return fNarrow ? WidenASCII(fData[index], fFallback) : GBuffer::ReadUnit(fData, index);
    }
    unsigned char ByteAt(int index) const
    {
        if (!fNarrow)
            return fData[index];
        // Units below 0x100: the low byte comes first, the high byte is 0.
        return (index & 1) ? 0 : static_cast<unsigned char>(WidenASCII(fData[index / 2], fFallback));
    }

    // The bytes of the UTF-16 form (appended to out, which must not hold the viewed bytes).
    void AppendTo(GBuffer& out) const
    {
        AppendUnits(out, 0, GetUnitCount());
        if (!fNarrow && (fByteLength & 1))
            out += fData[fByteLength - 1];
    }
    // Units from up to (not including) to.
    void AppendUnits(GBuffer& out, int from, int to) const
    {
        if (to <= from)
            return;
        if (!fNarrow)
        {
            out.AppendByteArray(fData + 2 * from, 2 * (to - from));
            return;
        }
        int const start = out.GetLength();
        out.SetLength(start + 2 * (to - from));
        unsigned char* target = out.GetWritePtr() + start;
        for (int i = from; i < to; ++i)
            GBuffer::WriteUnit(target, i - from, WidenASCII(fData[i], fFallback));
    }

    int GetHash() const
    {
        if (fByteLength == 0)
            return GBuffer::cEmptyBuffer.GetHash();
        if (!fNarrow)
        {
            GBuffer borrowed;
            borrowed.SetFromStatic(reinterpret_cast<char const*>(fData), fByteLength);
            return borrowed.GetHash();
        }
        return HashWidenedASCII(fData, GetUnitCount());
    }

    friend bool operator==(UnitView const& a, UnitView const& b)
    {
        if (a.fByteLength != b.fByteLength)
            return false;
        if (!a.fNarrow && !b.fNarrow)
            return a.fByteLength == 0 ||
                   std::memcmp(a.fData, b.fData, static_cast<std::size_t>(a.fByteLength)) == 0;
        // At least one side is ASCII, so the length is even.
        int const units = a.GetUnitCount();
        if (a.fNarrow != b.fNarrow)
        {
            UnitView const& wide = a.fNarrow ? b : a;
            UnitView const& narrow = a.fNarrow ? a : b;
            return EqualsWidenedASCII(wide.fData, narrow.fData, units);
        }
        for (int i = 0; i < units; ++i)
        {
            if (a[i] != b[i])
                return false;
        }
        return true;
    }

    // GBuffer order of the UTF-16 bytes.
    friend bool operator<(UnitView const& a, UnitView const& b)
    {
        int const common = a.fByteLength < b.fByteLength ? a.fByteLength : b.fByteLength;
        int const units = common / 2;
        for (int i = 0; i < units; ++i)
        {
            unsigned short const ua = a[i];
            unsigned short const ub = b[i];
            if (ua != ub)
            {
                // Stored little-endian: the low byte decides first.
                if ((ua & 0xFF) != (ub & 0xFF))
                    return (ua & 0xFF) < (ub & 0xFF);
                return (ua >> 8) < (ub >> 8);
            }
        }
        if (common & 1)
        {
            unsigned char const ba = a.ByteAt(common - 1);
            unsigned char const bb = b.ByteAt(common - 1);
            if (ba != bb)
                return ba < bb;
        }
        return a.fByteLength < b.fByteLength;
    }

private:
    unsigned char const* fData;
    int fByteLength;
    bool fNarrow;
    unsigned short fFallback;
    GBuffer fConverted;
};
} // namespace

// Construction and replacement.

GString::GString(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding) : fBytes(bytes)
{
    SetEncoding(encoding);
    Normalize(keepEncoding);
}

GString::GString(unsigned char const* bytes, int length, GEncoding const* encoding, bool keepEncoding)
{
    Set(bytes, length, encoding, keepEncoding);
}

GString::GString(char const* text, GEncoding const* encoding, bool keepEncoding)
{
    Set(text, encoding, keepEncoding);
}

GString::GString(char16_t const* text, bool keepEncoding)
{
    if (text)
    {
        int units = 0;
        while (text[units] != 0)
            ++units;
        fBytes.Set(reinterpret_cast<unsigned char const*>(text), 2 * units);
    }
    SetEncoding(GUnicodeEncoding::GetInstance());
    Normalize(keepEncoding);
}

GString::GString(char const* text)
{
    SetASCII(GBuffer(text));
}

GString::GString(int value)
{
    SetASCII(GBuffer(value));
}

GString::GString(unsigned int value)
{
    SetASCII(GBuffer(value));
}

GString::GString(long long value)
{
    SetASCII(GBuffer(value));
}

GString::GString(unsigned long long value)
{
    SetASCII(GBuffer(value));
}

GString::GString(double value, GBuffer const& format)
{
    Set(value, format);
}

GString::GString(double value)
{
    Set(value);
}

GString::GString(double value, int decimals)
{
    Set(value, decimals);
}

void GString::Set(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding)
{
    fBytes = bytes;
    SetEncoding(encoding);
    Normalize(keepEncoding);
}

void GString::Set(unsigned char const* bytes, int length, GEncoding const* encoding, bool keepEncoding)
{
    fBytes.Set(bytes, length);
    SetEncoding(encoding);
    Normalize(keepEncoding);
}

void GString::Set(char const* text, GEncoding const* encoding, bool keepEncoding)
{
    int const length =
        text && encoding ? encoding->GetLength(reinterpret_cast<unsigned char const*>(text)) : 0;
    Set(reinterpret_cast<unsigned char const*>(text), length, encoding, keepEncoding);
}

void GString::Set(int value)
{
    SetASCII(GBuffer(value));
}

void GString::Set(unsigned int value)
{
    SetASCII(GBuffer(value));
}

void GString::SetInt(int value, int digits)
{
    GBuffer text;
    text.Set(value, digits);
    SetASCII(std::move(text));
}

void GString::SetWithHighPrecision(double value)
{
    GBuffer text;
    text.SetWithHighPrecision(value);
    SetASCII(std::move(text));
}

void GString::Set(double value, GBuffer const& format)
{
    GBuffer text;
    text.Set(value, format);
    SetASCII(std::move(text));
}

void GString::Set(double value, int decimals)
{
    GBuffer text;
    text.SetWithPrecision(value, decimals);
    SetASCII(std::move(text));
}

void GString::Set(double value)
{
    static GBuffer const format = GBuffer::FromStatic("%f");
    Set(value, format);
}

void GString::SetASCII(GBuffer&& text)
{
    fBytes = std::move(text);
    SetEncoding(GASCIIEncoding::GetInstance());
    // Before the encodings are installed there is no ASCII to be in: a string without encoding is empty.
    if (fEncoding.IsNull())
        fBytes.SetLength(0);
}

void GString::Clear()
{
    fBytes.SetLength(0);
    SetEncoding(nullptr);
}

void GString::Normalize(bool keepEncoding)
{
    GEncoding const* encoding = fEncoding.Get();
    if (!encoding)
    {
        // A null encoding came in: keep the rule that a string without encoding has no bytes.
        fBytes.SetLength(0);
        return;
    }
    if (keepEncoding)
    {
        if (IsUnicodeEncoding(encoding))
            Compose(fBytes);
        else
            encoding->Normalize(fBytes);
        return;
    }
    if (IsUnicodeEncoding(encoding))
        return;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
        return;
    // The result code is not looked at: what could not be converted is the default character.
    GBuffer converted;
    encoding->ConvertTo(fBytes, unicode, converted);
    fBytes = std::move(converted);
    SetEncoding(unicode);
}

// Queries.

GBuffer const& GString::GetEncodingName() const
{
    GEncoding const* encoding = fEncoding.Get();
    return encoding ? encoding->GetASCIIDescription() : NullEncodingName();
}

namespace
{
// The ASCII form of a string's bytes, or the bytes themselves when they are ASCII already.
template<class Reader>
auto ReadASCII(GBuffer const& bytes, GEncoding const* encoding, Reader read)
{
    if (IsASCIIEncoding(encoding))
        return read(bytes);
    GBuffer ascii;
    GASCIIEncoding const* target = GASCIIEncoding::GetInstance();
    if (encoding && target)
        target->ConvertFrom(bytes, encoding, ascii);
    return read(ascii);
}
} // namespace

int GString::GetInt32() const
{
    return ReadASCII(fBytes, fEncoding.Get(), [](GBuffer const& text) { return text.GetInt32(); });
}

long long GString::GetInt64() const
{
    return ReadASCII(fBytes, fEncoding.Get(), [](GBuffer const& text) { return text.GetInt64(); });
}

unsigned int GString::GetUInt32() const
{
    return ReadASCII(fBytes, fEncoding.Get(), [](GBuffer const& text) { return text.GetUInt32(); });
}

double GString::GetReal() const
{
    return ReadASCII(fBytes, fEncoding.Get(), [](GBuffer const& text) { return text.GetReal(); });
}

int GString::GetHash() const
{
    GEncoding const* encoding = fEncoding.Get();
    if (IsUnicodeEncoding(encoding))
        return fBytes.GetHash();
    // Keys are mostly ASCII: hashed as UTF-16 straight from their bytes, without a view.
    if (IsASCIIEncoding(encoding) && IsWidenable(fBytes))
        return HashWidenedASCII(fBytes.GetPtr(), fBytes.GetLength());
    return UnitView(fBytes, encoding).GetHash();
}

// Conversion.

void GString::Compose(GBuffer& utf16)
{
    ComposeUTF16(utf16);
}

unsigned GString::GetUnicodeForm(GBuffer& out) const
{
    GEncoding const* encoding = fEncoding.Get();
    if (!encoding)
    {
        out.SetLength(0);
        return GEncodingResult::cComplete;
    }
    if (IsUnicodeEncoding(encoding))
    {
        out = fBytes;
        return GEncodingResult::cComplete;
    }
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
    {
        out.SetLength(0);
        return GEncodingResult::cFailed;
    }
    unsigned const result = unicode->ConvertFrom(fBytes, encoding, out);
    Compose(out);
    return result;
}

unsigned GString::GetBuffer(GBuffer& out, GEncoding const* target) const
{
    GEncoding const* encoding = fEncoding.Get();
    if (!encoding)
    {
        out.SetLength(0);
        return GEncodingResult::cComplete;
    }
    if (target == encoding)
    {
        out = fBytes;
        return GEncodingResult::cComplete;
    }
    if (!target)
    {
        out.SetLength(0);
        return GEncodingResult::cFailed;
    }
    if (IsUnicodeEncoding(target))
        return GetUnicodeForm(out);
    // ASCII text is the same bytes in ASCII and in UTF-8.
    bool const asciiAndUTF8 = (IsASCIIEncoding(encoding) && target == GUTF8Encoding::GetInstance()) ||
                              (encoding == GUTF8Encoding::GetInstance() && IsASCIIEncoding(target));
    if (asciiAndUTF8 && IsPlainASCII(fBytes))
    {
        out = fBytes;
        return GEncodingResult::cComplete;
    }
    // (The ASCII encoding's table is the identity from 0x07 to 0x7F only.)
    if (IsUnicodeEncoding(encoding) && target == GUTF8Encoding::GetInstance() && NarrowPlainUnits(fBytes, out, 1))
        return GEncodingResult::cComplete;
    if (IsUnicodeEncoding(encoding) && IsASCIIEncoding(target) && NarrowPlainUnits(fBytes, out, 7))
        return GEncodingResult::cComplete;
    return target->ConvertFrom(fBytes, encoding, out);
}

GBuffer GString::GetBuffer(GEncoding const* target) const
{
    GBuffer out;
    GetBuffer(out, target);
    return out;
}

void GString::EnsureUnicode() const
{
    // The shared empty string is read by every thread and handed out as "no text": it keeps
    // having no encoding.
    if (this == &cEmptyString)
        return;
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode || fEncoding.Get() == unicode)
        return;
    GBuffer converted;
    GetUnicodeForm(converted);
    fBytes = std::move(converted);
    fEncoding = unicode;
}

bool GString::AreCompatible(GBuffer const& bytes, GEncoding const* encoding)
{
    GBuffer out;
    return AreCompatible(bytes, encoding, out);
}

bool GString::AreCompatible(GBuffer const& bytes, GEncoding const* encoding, GBuffer& out)
{
    if (!encoding)
        return false;
    GBuffer const& description = encoding->GetASCIIDescription();
    if (description == cASCIIEncoding || description == cMacRomanEncoding || description == cPDFDocEncoding ||
        description == cWinAnsiEncoding || description == cUTF8Encoding)
    {
        GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
        return unicode && unicode->ConvertFrom(bytes, encoding, out) == GEncodingResult::cComplete;
    }
    if (description == cUnicodeEncoding)
    {
        GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
        return utf8 && utf8->ConvertFrom(bytes, encoding, out) == GEncodingResult::cComplete;
    }
    return true;
}

// Joining.

GString& GString::operator+=(GString const& other)
{
    GEncoding const* encoding = fEncoding.Get();
    GEncoding const* otherEncoding = other.fEncoding.Get();
    if (!encoding || fBytes.IsEmpty())
    {
        *this = other;
        return *this;
    }
    if (!otherEncoding || other.fBytes.IsEmpty())
        return *this;
    if (encoding == otherEncoding)
    {
        fBytes += other.fBytes;
        return *this;
    }
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
        return *this;
    if (encoding == unicode)
    {
        UnitView(other.fBytes, otherEncoding).AppendTo(fBytes);
        return *this;
    }
    // The joined text is UTF-16: this string's own part converted and composed, then the other's.
    GBuffer joined;
    UnitView(fBytes, encoding).AppendTo(joined);
    if (otherEncoding == unicode)
        joined += other.fBytes;
    else
        UnitView(other.fBytes, otherEncoding).AppendTo(joined);
    fBytes = std::move(joined);
    fEncoding = unicode;
    return *this;
}

GString operator+(GString const& a, GString const& b)
{
    GString result(a);
    result += b;
    return result;
}

// Comparison.

bool operator==(GString const& a, GString const& b)
{
    GEncoding const* encoding = a.fEncoding.Get();
    GEncoding const* otherEncoding = b.fEncoding.Get();
    if (encoding == otherEncoding)
        return a.fBytes == b.fBytes;
    // UTF-16 against ASCII, the usual mixed pair, without building views.
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GEncoding const* ascii = GASCIIEncoding::GetInstance();
    if (unicode && ascii &&
        ((encoding == unicode && otherEncoding == ascii) || (encoding == ascii && otherEncoding == unicode)))
    {
        GBuffer const& wide = encoding == unicode ? a.fBytes : b.fBytes;
        GBuffer const& narrow = encoding == unicode ? b.fBytes : a.fBytes;
        int const count = narrow.GetLength();
        if (wide.GetLength() != 2 * std::int64_t(count))
            return false;
        return count == 0 || EqualsWidenedASCII(wide.GetPtr(), narrow.GetPtr(), count);
    }
    return UnitView(a.fBytes, encoding) == UnitView(b.fBytes, otherEncoding);
}

bool operator<(GString const& a, GString const& b)
{
    GEncoding const* encoding = a.fEncoding.Get();
    GEncoding const* otherEncoding = b.fEncoding.Get();
    if (IsUnicodeEncoding(encoding) && encoding == otherEncoding)
        return a.fBytes < b.fBytes;
    return UnitView(a.fBytes, encoding) < UnitView(b.fBytes, otherEncoding);
}

bool GString::IsLessThanIgnoreCase(GString const& a, GString const& b)
{
    GString lowerA(a);
    GString lowerB(b);
    lowerA.ToLower();
    lowerB.ToLower();
    return lowerA < lowerB;
}

// Parameter substitution.

GString& GString::SubstituteParams(GTable<GString const*> const& params)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
        return *this;
    int const count = params.GetCount();
    GBuffer result;
    bool replaced = false;
    {
        UnitView const text(fBytes, fEncoding.Get());
        int const length = text.GetUnitCount();
        // The units before this index are in result already.
        int copied = 0;
        int used = 0;
        for (int i = 0; i + 1 < length;)
        {
            if (text[i] != cPercent)
            {
                ++i;
                continue;
            }
            unsigned short const next = text[i + 1];
            int parameter = -1;
            if (next >= cDigitOne && next <= cDigitNine)
            {
                if (next - cDigitOne < count)
                    parameter = next - cDigitOne;
            }
            else if (next == cLetterS && used < count)
                parameter = used++;
            if (parameter < 0)
            {
                ++i;
                continue;
            }
            if (!replaced)
            {
                result.Allocate(text.GetByteLength() + 64);
                replaced = true;
            }
            text.AppendUnits(result, copied, i);
            // The parameter may be this string itself, whose bytes are untouched until the end.
            if (GString const* value = params[parameter])
                UnitView(value->fBytes, value->fEncoding.Get()).AppendTo(result);
            i += 2;
            copied = i;
        }
        if (replaced)
        {
            text.AppendUnits(result, copied, length);
            // A UTF-16 text may end in an odd byte, which stays where it was.
            if (!text.IsNarrow() && (text.GetByteLength() & 1))
                result += text.ByteAt(text.GetByteLength() - 1);
        }
        else if (!IsUnicodeEncoding(fEncoding.Get()))
        {
            text.AppendTo(result);
            replaced = true;
        }
    }
    if (replaced)
        fBytes = std::move(result);
    fEncoding = unicode;
    Compose(fBytes);
    return *this;
}

GString& GString::SubstituteParams(GString const& p1)
{
    GTable<GString const*> params;
    params.AddItem(&p1);
    return SubstituteParams(params);
}

GString& GString::SubstituteParams(GString const& p1, GString const& p2)
{
    GTable<GString const*> params;
    params.AddItem(&p1);
    params.AddItem(&p2);
    return SubstituteParams(params);
}

GString& GString::SubstituteParams(GString const& p1, GString const& p2, GString const& p3)
{
    GTable<GString const*> params;
    params.AddItem(&p1);
    params.AddItem(&p2);
    params.AddItem(&p3);
    return SubstituteParams(params);
}

GString& GString::SubstituteParams(GString const* first, ...)
{
    GTable<GString const*> params;
    if (first)
    {
        params.AddItem(first);
        va_list list;
        va_start(list, first);
        while (GString const* next = va_arg(list, GString const*))
            params.AddItem(next);
        va_end(list);
    }
    return SubstituteParams(params);
}

int GString::GetNumSubstitutes() const
{
    UnitView const text(fBytes, fEncoding.Get());
    int const length = text.GetUnitCount();
    int found = 0;
    for (int i = 0; i + 1 < length; ++i)
    {
        if (text[i] != cPercent)
            continue;
        unsigned short const next = text[i + 1];
        if ((next >= cDigitOne && next <= cDigitNine) || next == cLetterS)
            ++found;
    }
    return found;
}
