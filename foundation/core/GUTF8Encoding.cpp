// UTF-8: decoding to UTF-16 with a fast path for ASCII runs, encoding from UTF-16, and glyph names
// borrowed from the Unicode encoding.
#include "GUTF8Encoding.h"

#include <cstdint>
#include <cstring>

#include "GCharCode.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr std::uint64_t cHighBits = 0x8080808080808080ull;
constexpr std::uint64_t cLowBits = 0x0101010101010101ull;

// UTF-16 lives in the machine's byte order; memcpy keeps the stores free of alignment assumptions.
inline void PutUnit(unsigned char* units, int index, unsigned unit)
{
    std::uint16_t const value = static_cast<std::uint16_t>(unit);
    std::memcpy(units + 2 * index, &value, 2);
}

inline unsigned GetUnit(unsigned char const* units, int index)
{
    std::uint16_t value;
    std::memcpy(&value, units + 2 * index, 2);
    return value;
}

inline std::uint64_t Load8(unsigned char const* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
}

// 0x80 to 0xBF: what follows the lead byte of a sequence.
inline bool IsContinuation(unsigned byte)
{
    return (byte ^ 0x80) < 0x40;
}

inline bool AreContinuations(unsigned first, unsigned second)
{
    return ((first ^ 0x80) | (second ^ 0x80)) < 0x40;
}

// Decodes length bytes of UTF-8 into units (room for length units: no sequence gives more units
// than it has bytes). count receives the number of units written, also when the input turns out
// malformed, which stops the walk at once.
unsigned DecodeUTF8(unsigned char const* bytes, int length, unsigned char* units, int& count)
{
    unsigned result = GEncodingResult::cComplete;
    int i = 0;
    int o = 0;
    while (i < length)
    {
        unsigned const lead = bytes[i];
        if (lead < 0x80)
        {
            // Runs of ASCII go eight bytes at a time; a zero byte among them still makes the text
            // lossy.
            while (i + 8 <= length)
            {
                std::uint64_t const word = Load8(bytes + i);
                if (word & cHighBits)
                    break;
                // With every high bit clear, a byte's high bit after subtracting 1 means a zero byte.
                if ((word - cLowBits) & cHighBits)
                    result = GEncodingResult::cLossy;
                for (int k = 0; k < 8; ++k)
                    PutUnit(units, o + k, bytes[i + k]);
                i += 8;
                o += 8;
            }
            while (i < length && bytes[i] < 0x80)
            {
                if (bytes[i] == 0)
                    result = GEncodingResult::cLossy;
                PutUnit(units, o++, bytes[i++]);
            }
        }
        else if (lead < 0xC2)
        {
            // A continuation byte where a character should start, or the lead of an overlong
            // two-byte form (C0, C1).
            break;
        }
        else if (lead < 0xE0)
        {
            if (i + 1 >= length || !IsContinuation(bytes[i + 1]))
                break;
            PutUnit(units, o++, (lead & 0x1F) << 6 | (bytes[i + 1] & 0x3F));
            i += 2;
        }
        else if (lead < 0xF0)
        {
            // Text in the scripts of this range (CJK among them) comes in runs of three-byte
            // characters, which are taken in one go. A run stops before a malformed sequence; when
            // that is the first one, the walk ends.
            int const start = i;
            while (i + 2 < length && (bytes[i] & 0xF0) == 0xE0 &&
                   AreContinuations(bytes[i + 1], bytes[i + 2]))
            {
                unsigned const unit =
                    (bytes[i] & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 | (bytes[i + 2] & 0x3F);
                // Overlong: the character fits in fewer bytes. Surrogates (ED A0 80 to ED BF BF)
                // pass, because lone surrogates are written that way and must come back.
                if (unit < 0x800)
                    break;
                PutUnit(units, o++, unit);
                i += 3;
            }
            if (i == start)
                break;
        }
        else if (lead < 0xF8)
        {
            if (i + 3 >= length || !AreContinuations(bytes[i + 1], bytes[i + 2]) ||
                !IsContinuation(bytes[i + 3]))
                break;
            std::uint32_t const point = (lead & 0x07) << 18 | (bytes[i + 1] & 0x3F) << 12 |
                                        (bytes[i + 2] & 0x3F) << 6 | (bytes[i + 3] & 0x3F);
            // Below U+10000 the form is overlong; above U+10FFFF no surrogate pair can hold it.
            if (point < 0x10000 || point > 0x10FFFF)
                break;
            PutUnit(units, o++, 0xD800 | (((point >> 10) - 0x40) & 0x7FF));
            PutUnit(units, o++, 0xDC00 | (point & 0x3FF));
            i += 4;
        }
        else
            break;
    }
    count = o;
    return i < length ? GEncodingResult::cFailed : result;
}

// The UTF-8 length of unitCount units: a high surrogate followed by a low one is one character of
// four bytes; every other unit, a lone surrogate included, stands for itself.
std::int64_t EncodedLength(unsigned char const* units, int unitCount)
{
    std::int64_t length = 0;
    for (int i = 0; i < unitCount; ++i)
    {
        unsigned const unit = GetUnit(units, i);
        if (unit < 0x80)
            length += 1;
        else if (unit < 0x800)
            length += 2;
        else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < unitCount && GetUnit(units, i + 1) >= 0xDC00 &&
                 GetUnit(units, i + 1) <= 0xDFFF)
        {
            length += 4;
            ++i;
        }
        else
            length += 3;
    }
    return length;
}

// Writes the UTF-8 of unitCount units at bytes, which has room for EncodedLength of them.
void EncodeUTF8(unsigned char const* units, int unitCount, unsigned char* bytes)
{
    int o = 0;
    for (int i = 0; i < unitCount; ++i)
    {
        unsigned const unit = GetUnit(units, i);
        if (unit < 0x80)
            bytes[o++] = static_cast<unsigned char>(unit);
        else if (unit < 0x800)
        {
            bytes[o++] = static_cast<unsigned char>(0xC0 | unit >> 6);
            bytes[o++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        }
        else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < unitCount && GetUnit(units, i + 1) >= 0xDC00 &&
                 GetUnit(units, i + 1) <= 0xDFFF)
        {
            std::uint32_t const point = (unit - 0xD800) * 0x400 + (GetUnit(units, i + 1) - 0xDC00) + 0x10000;
            bytes[o++] = static_cast<unsigned char>(0xF0 | ((point >> 18) & 0x07));
            bytes[o++] = static_cast<unsigned char>(0x80 | ((point >> 12) & 0x3F));
            bytes[o++] = static_cast<unsigned char>(0x80 | ((point >> 6) & 0x3F));
            bytes[o++] = static_cast<unsigned char>(0x80 | (point & 0x3F));
            ++i;
        }
        else
        {
            bytes[o++] = static_cast<unsigned char>(0xE0 | unit >> 12);
            bytes[o++] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
            bytes[o++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        }
    }
}
} // namespace

GSharedObject<GUTF8Encoding> GUTF8Encoding::sUTF8Encoding;

GBuffer const GUTF8Encoding::sASCIIDescription = GBuffer::FromStatic("UTF-8Encoding");

GUTF8Encoding::~GUTF8Encoding() = default;

GUTF8Encoding* GUTF8Encoding::GetInstance()
{
    return sUTF8Encoding.Get();
}

void GUTF8Encoding::SetInstance(GUTF8Encoding* p)
{
    sUTF8Encoding = p;
}

unsigned GUTF8Encoding::ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const
{
    if (&src == &out)
    {
        GBuffer const copy(src);
        return ConvertFrom(copy, srcEncoding, out);
    }
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    // UTF-16 from the Unicode singleton is read where it lies instead of being copied first.
    GBuffer converted;
    GBuffer const* utf16 = &src;
    unsigned result = GEncodingResult::cComplete;
    if (!unicode || srcEncoding != unicode)
    {
        result = srcEncoding->ConvertTo(src, unicode, converted);
        utf16 = &converted;
    }
    if (result != GEncodingResult::cComplete && result != GEncodingResult::cLossy)
    {
        out.SetLength(0);
        return result;
    }
    int const unitCount = utf16->GetLength() / 2;
    unsigned char const* units = utf16->GetPtr();
    std::int64_t const length = EncodedLength(units, unitCount);
    EncodeUTF8(units, unitCount, PrepareOutput(out, length));
    out.SetLength(static_cast<int>(length));
    return result;
}

unsigned GUTF8Encoding::ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const
{
    if (&src == &out)
    {
        GBuffer const copy(src);
        return ConvertTo(copy, target, out);
    }
    int const length = src.GetLength();
    // Every sequence gives at most one unit per byte, so the output is sized once, before reading.
    unsigned char* units = PrepareOutput(out, 2 * std::int64_t(length));
    int count = 0;
    unsigned const result = DecodeUTF8(src.GetPtr(), length, units, count);
    out.SetLength(2 * count);
    return result;
}

bool GUTF8Encoding::GetGlyphName(GCharCode const& code, GBuffer& name) const
{
    name.SetLength(0);
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
        return false;
    unsigned char units[2 * GCharCode::cMaxLength];
    int count = 0;
    if (DecodeUTF8(code.Get(), code.GetLength(), units, count) != GEncodingResult::cComplete)
        return false;
    GCharCode character;
    character.SetUnicode(GBuffer(units, 2 * count));
    return unicode->GetGlyphName(character, name);
}

void GUTF8Encoding::GetCharCode(GBuffer const& name, GCharCode& code) const
{
    code.Clear();
    GBuffer utf16;
    if (!GetUnitOfGlyphName(name, utf16))
        return;
    unsigned char bytes[3];
    EncodeUTF8(utf16.GetPtr(), 1, bytes);
    code.Set(bytes, static_cast<int>(EncodedLength(utf16.GetPtr(), 1)));
}

GBuffer const& GUTF8Encoding::GetASCIIDescription() const
{
    return sASCIIDescription;
}
