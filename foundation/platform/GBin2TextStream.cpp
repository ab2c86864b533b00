// The text reader. It reads its source in small chunks and pushes back what an operation does not
// use, so every operation leaves the source exactly after what it consumed.
#include "GBin2TextStream.h"

#include <climits>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "GASCIIEncoding.h"
#include "GBufferSupport.h"
#include "GPlatformEncoding.h"
#include "GSimpleEncoding.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "PSystem.h"

namespace
{
// Chunk sizes in bytes: skipping, then reading text.
constexpr int cSkipChunk8 = 20;
constexpr int cSkipChunk16 = 40;
constexpr int cTextChunkUnits = 256;

constexpr unsigned cTab = 9;
constexpr unsigned cApostrophe = 39;
constexpr unsigned cDoubleQuote = 34;

constexpr int cMachineBigEndian = 1;

bool IsMark(GBuffer const& bytes, unsigned char b0, unsigned char b1)
{
    unsigned char const* p = bytes.GetPtr();
    return bytes.GetLength() == 2 && p[0] == b0 && p[1] == b1;
}

// An encoded set of units of one width. The reader's own sets (white space, line ends, quote stops)
// hold up to four members, which are listed and compared directly, sixteen bytes at a time where
// the processor has SSE2: a set is made at every call, and most calls look at a few units only.
// A larger set has a bit per unit below 256 and decides with one load per unit. Without SSE2,
// sets of one or two members are searched many units at once: bytes with memchr, 16-bit units
// four to a 64-bit word.
class UnitSet
{
public:
    UnitSet(unsigned char const* set, int count, int width)
        : fSet(set), fCount(count), fWidth(width), fHasHigh(false), fListed(count >= 1 && count <= cListedMembers)
    {
        if (fListed)
        {
            for (int i = 0; i < cListedMembers; ++i)
                fMembers[i] = Load(set, i < count ? i : 0);
            return;
        }
        for (std::uint64_t& word : fLow)
            word = 0;
        for (int i = 0; i < count; ++i)
        {
            unsigned unit = Load(set, i);
            if (unit < 256)
                fLow[unit >> 6] |= std::uint64_t(1) << (unit & 63);
            else
                fHasHigh = true;
        }
    }
    bool Contains(unsigned unit) const
    {
        if (fListed)
            return (unit == fMembers[0]) | (unit == fMembers[1]) |
                   (fCount > 2 && ((unit == fMembers[2]) | (unit == fMembers[3])));
        if (unit < 256)
            return (fLow[unit >> 6] >> (unit & 63)) & 1;
        if (!fHasHigh)
            return false;
        for (int i = 0; i < fCount; ++i)
        {
            if (Load(fSet, i) == unit)
                return true;
        }
        return false;
    }
    // The index of the first of count units at p that is in the set, or count.
    int FindFirst(unsigned char const* p, int count) const
    {
        int at = 0;
#if defined(__SSE2__)
        if (fListed)
            at = fWidth == 1 ? SkipBytesWithout(p, count) : SkipWordsWithout(p, count);
#else
        if (fWidth == 1 && fCount <= cMemchrMembers)
        {
            int limit = count;
            for (int i = 0; i < fCount; ++i)
            {
                void const* found = std::memchr(p, fSet[i], static_cast<std::size_t>(limit));
                if (found)
                    limit = static_cast<int>(static_cast<unsigned char const*>(found) - p);
            }
            return limit;
        }
        if (fWidth == 2 && fCount >= 1 && fCount <= cMemchrMembers)
            at = SkipWordsWithout(p, count);
#endif
        while (at < count && !Contains(Load(p, at)))
            ++at;
        return at;
    }
    // The index of the first of count units at p that is not in the set, or count.
    int FindFirstOutside(unsigned char const* p, int count) const
    {
        int at = 0;
        while (at < count && Contains(Load(p, at)))
            ++at;
        return at;
    }

private:
#if !defined(__SSE2__)
    static constexpr int cMemchrMembers = 2;
#endif
    static constexpr int cListedMembers = 4;

#if defined(__SSE2__)
    // Indexes at or before the first of count units at p that is a member of a listed set; the
    // units before it hold none.
    int SkipBytesWithout(unsigned char const* p, int count) const
    {
        __m128i const m0 = _mm_set1_epi8(static_cast<char>(fMembers[0]));
        __m128i const m1 = _mm_set1_epi8(static_cast<char>(fMembers[1]));
        __m128i const m2 = _mm_set1_epi8(static_cast<char>(fMembers[2]));
        __m128i const m3 = _mm_set1_epi8(static_cast<char>(fMembers[3]));
        bool const four = fCount > 2;
        int at = 0;
        for (; at + 16 <= count; at += 16)
        {
            __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p + at));
            __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, m0), _mm_cmpeq_epi8(bytes, m1));
            if (four)
                hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(bytes, m2), _mm_cmpeq_epi8(bytes, m3)));
            if (int const mask = _mm_movemask_epi8(hits))
                return at + __builtin_ctz(static_cast<unsigned>(mask));
        }
        return at;
    }
    int SkipWordsWithout(unsigned char const* p, int count) const
    {
        __m128i const m0 = _mm_set1_epi16(static_cast<short>(fMembers[0]));
        __m128i const m1 = _mm_set1_epi16(static_cast<short>(fMembers[1]));
        __m128i const m2 = _mm_set1_epi16(static_cast<short>(fMembers[2]));
        __m128i const m3 = _mm_set1_epi16(static_cast<short>(fMembers[3]));
        bool const four = fCount > 2;
        int at = 0;
        for (; at + 8 <= count; at += 8)
        {
            __m128i const units = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p + 2 * at));
            __m128i hits = _mm_or_si128(_mm_cmpeq_epi16(units, m0), _mm_cmpeq_epi16(units, m1));
            if (four)
                hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi16(units, m2), _mm_cmpeq_epi16(units, m3)));
            if (int const mask = _mm_movemask_epi8(hits))
                return at + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
        }
        return at;
    }
#else
    // An index at or before the first of count 16-bit units at p that is a member of a set of one
    // or two; the units before it hold none. Four units to a 64-bit word (a lane of the word equal
    // to one).
    int SkipWordsWithout(unsigned char const* p, int count) const
    {
        constexpr std::uint64_t cLaneOnes = 0x0001000100010001ull;
        constexpr std::uint64_t cLaneHighs = 0x8000800080008000ull;
        std::uint64_t const first = Load(fSet, 0) * cLaneOnes;
        std::uint64_t const last = Load(fSet, fCount - 1) * cLaneOnes;
        int at = 0;
        for (; at + 4 <= count; at += 4)
        {
            std::uint64_t word;
            std::memcpy(&word, p + 2 * at, sizeof word);
            std::uint64_t const x = word ^ first;
            std::uint64_t const y = word ^ last;
            // A lane of x or y is zero where the word holds a member.
            if ((((x - cLaneOnes) & ~x) | ((y - cLaneOnes) & ~y)) & cLaneHighs)
                break;
        }
        return at;
    }
#endif

    unsigned Load(unsigned char const* p, int index) const
    {
        if (fWidth == 1)
            return p[index];
        unsigned short unit;
        std::memcpy(&unit, p + 2 * index, 2);
        return unit;
    }

    unsigned char const* fSet;
    int fCount;
    int fWidth;
    bool fHasHigh;
    bool fListed;
    // A listed set's members, the first repeated in the free places; a larger set's bits.
    union
    {
        unsigned fMembers[cListedMembers];
        std::uint64_t fLow[4];
    };
};

// The first of count bytes at p that is in the set and is not the second byte of a character of
// two bytes. secondByteFirst says that p[0] is one (its lead byte ended the previous chunk); on
// return it says that the last byte looked at is a lead byte whose second byte comes next.
int FindOutsideCharacters(UnitSet const& set, GLeadByteSet const& leadBytes, unsigned char const* p,
                          int count, bool& secondByteFirst)
{
    int at = secondByteFirst && count > 0 && GLeadByteSet::CanFollow(p[0]) ? 1 : 0;
    secondByteFirst = false;
    for (; at < count; ++at)
    {
        if (leadBytes.Contains(p[at]))
        {
            if (at + 1 == count)
            {
                secondByteFirst = true;
                return count;
            }
            if (GLeadByteSet::CanFollow(p[at + 1]))
                ++at;
        }
        else if (set.Contains(p[at]))
            return at;
    }
    return count;
}

// The units of an encoded set, read in place: a set of 16-bit units comes from the allocator or a
// caller's array of unsigned short, both aligned.
unsigned short const* WordsOf(GBuffer const& set)
{
    return reinterpret_cast<unsigned short const*>(set.GetPtr());
}
} // namespace

GBin2TextStream::GBin2TextStream(GBufferedInStream& source, GEncoding* encoding)
    : fSource(&source), fOwnsSource(false), fEncoding(nullptr), fSwapBytes(false), f16Bit(false),
      fUnitWidth(1), fDroppedByte(0), fChunk(nullptr), fBytewise(false), fKnownBytes(), fDecodableBytes()
{
    Settle(encoding);
}

GBin2TextStream::GBin2TextStream(GBufferedInStream* source, GEncoding* encoding)
    : fSource(source), fOwnsSource(true), fEncoding(nullptr), fSwapBytes(false), f16Bit(false), fUnitWidth(1),
      fDroppedByte(0), fChunk(nullptr), fBytewise(false), fKnownBytes(), fDecodableBytes()
{
    try
    {
        Settle(encoding);
    }
    catch (...) // the source is ours from the start, so a failed settling must not leak it
    {
        delete fSource;
        throw;
    }
}

GBin2TextStream::~GBin2TextStream()
{
    if (fOwnsSource)
        delete fSource;
}

GInStream* GBin2TextStream::CreateClone() const
{
    return nullptr;
}

int GBin2TextStream::Read(GBuffer& out, int count)
{
    return fSource->Read(out, count);
}

void GBin2TextStream::Reset() {}

int GBin2TextStream::Unread(int count)
{
    return fSource->Unread(count);
}

void GBin2TextStream::SetRollBackPoint()
{
    fSource->SetRollBackPoint();
}

int GBin2TextStream::RollBack()
{
    return fSource->RollBack();
}

// --- the encoding ---

void GBin2TextStream::SetEncoding(GEncoding* encoding)
{
    if (encoding != fEncoding)
        Settle(encoding);
}

void GBin2TextStream::Settle(GEncoding* encoding)
{
    bool const bigEndianMachine = PSystem::GetMachineByteOrder() == cMachineBigEndian;
    fSwapBytes = false;
    if (!encoding)
    {
        fEncoding = GPlatformEncoding::GetInstance();
        f16Bit = false;
        int n = fSource->Read(fScratch, 2);
        if (IsMark(fScratch, 0xFF, 0xFE) || IsMark(fScratch, 0xFE, 0xFF))
        {
            fEncoding = GUnicodeEncoding::GetInstance();
            f16Bit = true;
            fSwapBytes = IsMark(fScratch, 0xFF, 0xFE) == bigEndianMachine;
        }
        else if (n > 0)
        {
            fSource->Unread(n);
            n = fSource->Read(fScratch, 3);
            unsigned char const* p = fScratch.GetPtr();
            if (n == 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
                fEncoding = GUTF8Encoding::GetInstance();
            else if (n > 0)
                fSource->Unread(n);
        }
    }
    else
    {
        fEncoding = encoding;
        // The unit width is that of the letter A; an encoding that cannot write it reads bytes.
        GBuffer letter;
        GString("A").GetBuffer(letter, encoding);
        f16Bit = letter.GetLength() == 2;
        if (f16Bit)
        {
            int n = fSource->Read(fScratch, 2);
            if (IsMark(fScratch, 0xFF, 0xFE) || IsMark(fScratch, 0xFE, 0xFF))
                fSwapBytes = IsMark(fScratch, 0xFF, 0xFE) == bigEndianMachine;
            else if (n > 0)
                fSource->Unread(n);
        }
        else if (encoding == GUTF8Encoding::GetInstance())
        {
            int n = fSource->Read(fScratch, 3);
            unsigned char const* p = fScratch.GetPtr();
            if (!(n == 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) && n > 0)
                fSource->Unread(n);
        }
    }
    fUnitWidth = f16Bit ? 2 : 1;
    fLeadBytes = GLeadByteSet(f16Bit ? nullptr : fEncoding);
    fBytewise = !f16Bit && fLeadBytes.IsEmpty() &&
                (dynamic_cast<GSimpleEncoding const*>(fEncoding) || dynamic_cast<GASCIIEncoding const*>(fEncoding));
    for (int i = 0; i < 4; ++i)
        fKnownBytes[i] = fDecodableBytes[i] = 0;
    BuildSets();
}

GBuffer GBin2TextStream::EncodeASCII(char const* s) const
{
    GBuffer out;
    if (fEncoding && GString(s).GetBuffer(out, fEncoding) == GEncodingResult::cComplete && !out.IsEmpty())
        return out;
    // Without the encoding (or the ASCII singleton) the sets still hold their characters, so that
    // the reader keeps finding its way through ASCII-compatible text.
    out.SetLength(0);
    for (char const* c = s; *c; ++c)
    {
        if (f16Bit)
            out += static_cast<unsigned short>(static_cast<unsigned char>(*c));
        else
            out += static_cast<unsigned char>(*c);
    }
    return out;
}

void GBin2TextStream::BuildSets()
{
    fWhitespace = EncodeASCII(" \t\n\r");
    fBlanks = EncodeASCII(" \t");
    fLineEnds = EncodeASCII("\n\r");
    fQuote = EncodeASCII("\"");
    fCR = EncodeASCII("\r");
    fLF = EncodeASCII("\n");
    fQuoteStops.SetLength(0);
    AppendUnit(fQuoteStops, UnitAt(fQuote.GetPtr(), 0));
    AppendUnit(fQuoteStops, GBufferSupport::cEscapeCharacter);
    for (unsigned byte = 0x80; byte < 0x100 && !fLeadBytes.IsEmpty(); ++byte)
    {
        if (IsLeadUnit(byte))
            fQuoteStops += static_cast<unsigned char>(byte);
    }
}

// --- chunks and units ---

int GBin2TextStream::ReadChunk(int byteCount, bool wide, bool inPlace)
{
    fDroppedByte = 0;
    // Whole units in the machine's byte order are looked at where the source keeps them.
    if (inPlace && !(wide && fSwapBytes))
    {
        int const lent = fSource->Lend(byteCount, fChunk);
        if (lent > 0 && !(wide && (lent & 1)))
            return lent;
        if (lent > 0)
            fSource->Unread(lent);
    }
    int n = fSource->Read(fScratch, byteCount);
    if (n <= 0)
    {
        fScratch.SetLength(0);
        fChunk = fScratch.GetPtr();
        return 0;
    }
    if (wide && (n & 1))
    {
        // A source may deliver less than it was asked for; the unit's second byte may still come.
        // When it does not, the data ends in half a unit, which is dropped.
        GBuffer rest;
        if (fSource->Read(rest, 1) == 1)
            fScratch += rest.GetPtr()[0];
        else
        {
            fScratch.SetLength(n - 1);
            fDroppedByte = 1;
        }
    }
    if (wide && fSwapBytes)
        GBufferSupport::SwapUnicodeBytes(fScratch);
    fChunk = fScratch.GetPtr();
    return fScratch.GetLength();
}

void GBin2TextStream::PushBack(int units, int width)
{
    // The source stands after a dropped half unit too, so it goes back with the units before it.
    if (units > 0)
        fSource->Unread(units * width + fDroppedByte);
}

unsigned GBin2TextStream::UnitAt(unsigned char const* p, int index) const
{
    if (!f16Bit)
        return p[index];
    unsigned short unit;
    std::memcpy(&unit, p + 2 * index, 2);
    return unit;
}

void GBin2TextStream::AppendUnit(GBuffer& text, unsigned unit) const
{
    if (f16Bit)
        text += static_cast<unsigned short>(unit);
    else
        text += static_cast<unsigned char>(unit);
}

// --- skipping ---

template<class Unit>
int GBin2TextStream::SkipUnits(Unit const* set, int count)
{
    constexpr int width = sizeof(Unit);
    constexpr bool wide = width == 2;
    UnitSet const members(reinterpret_cast<unsigned char const*>(set), count, width);
    int skipped = 0;
    for (;;)
    {
        int units = ReadChunk(wide ? cSkipChunk16 : cSkipChunk8, wide) / width;
        if (units == 0)
            return skipped;
        int const i = members.FindFirstOutside(fChunk, units);
        skipped += i;
        if (i < units)
        {
            PushBack(units - i, width);
            return skipped;
        }
    }
}

int GBin2TextStream::SkipWords(unsigned short const* set, int count)
{
    return SkipUnits(set, count);
}

int GBin2TextStream::SkipBytes(unsigned char const* set, int count)
{
    return SkipUnits(set, count);
}

int GBin2TextStream::SkipWhitespace(bool lineEnds)
{
    GBuffer const& set = lineEnds ? fWhitespace : fBlanks;
    if (f16Bit)
        return SkipWords(WordsOf(set), set.GetLength() / 2);
    return SkipBytes(set.GetPtr(), set.GetLength());
}

int GBin2TextStream::SkipChars(GString const& set)
{
    GBuffer units;
    if (f16Bit)
    {
        set.GetBuffer(units, GUnicodeEncoding::GetInstance());
        return SkipWords(WordsOf(units), units.GetLength() / 2);
    }
    set.GetBuffer(units, fEncoding);
    return SkipBytes(units.GetPtr(), units.GetLength());
}

// --- reading ---

int GBin2TextStream::Read(int count, GString& out)
{
    if (count <= 0)
        return -1;
    int bytes = count > INT_MAX / fUnitWidth ? INT_MAX - (INT_MAX % fUnitWidth) : count * fUnitWidth;
    int kept = ReadChunk(bytes, f16Bit, false);
    if (kept == 0)
        return -1;
    out.Set(fChunk, kept, fEncoding, true);
    return kept / fUnitWidth;
}

bool GBin2TextStream::ReadString(GString& out)
{
    SkipWhitespace(true);
    return ReadTill(fWhitespace, out, false);
}

bool GBin2TextStream::ReadTillTerminator(GBuffer const& terminators, GString& out)
{
    return ReadTill(terminators, out, false);
}

bool GBin2TextStream::ReadTillTerminator(GString const& terminators, GString& out)
{
    GBuffer encoded;
    terminators.GetBuffer(encoded, fEncoding);
    return ReadTill(encoded, out, false);
}

bool GBin2TextStream::ReadLine(GString& out)
{
    return ReadTill(fLineEnds, out, true);
}

bool GBin2TextStream::ReadTill(GBuffer const& terminators, GString& out, bool consumeLineEnd)
{
    int const width = fUnitWidth;
    UnitSet const set(terminators.GetPtr(), terminators.GetLength() / width, width);
    bool delivered = false;
    // Text that lies within the first chunk (most lines and tokens) goes to out directly.
    bool collected = false;
    bool secondByteFirst = false;
    fQuotedText.SetLength(0);
    for (;;)
    {
        int units = ReadChunk(cTextChunkUnits * width, f16Bit) / width;
        if (units == 0)
            break;
        unsigned char const* p = fChunk;
        int at = fLeadBytes.IsEmpty() ? set.FindFirst(p, units)
                                      : FindOutsideCharacters(set, fLeadBytes, p, units, secondByteFirst);
        if (at == units)
        {
            fQuotedText.AppendByteArray(p, units * width);
            delivered = collected = true;
            continue;
        }
        if (!delivered)
            SetText(p, at * width, out);
        else
            fQuotedText.AppendByteArray(p, at * width);
        delivered = true;
        int next = at;
        bool crAtChunkEnd = false;
        if (consumeLineEnd)
        {
            unsigned const cr = UnitAt(fCR.GetPtr(), 0);
            if (UnitAt(p, next++) == cr)
            {
                if (next < units)
                {
                    if (UnitAt(p, next) == UnitAt(fLF.GetPtr(), 0))
                        ++next;
                }
                else
                    crAtChunkEnd = true;
            }
        }
        PushBack(units - next, width);
        if (crAtChunkEnd && ReadChunk(width, f16Bit) == width &&
            UnitAt(fChunk, 0) != UnitAt(fLF.GetPtr(), 0))
            PushBack(1, width);
        break;
    }
    if (collected || !delivered)
        SetText(fQuotedText.GetPtr(), fQuotedText.GetLength(), out);
    return delivered;
}

void GBin2TextStream::SetText(unsigned char const* bytes, int length, GString& out)
{
    // No text (the rest of most lines) is text of every encoding.
    if (length <= 0)
    {
        out.Set(nullptr, 0, fEncoding, true);
        return;
    }
    bool compatible;
    if (fBytewise)
        compatible = AreDecodable(bytes, length);
    else
    {
        fCheckedBytes.Set(bytes, length);
        compatible = GString::AreCompatible(fCheckedBytes, fEncoding, fCheckedText);
    }
    if (compatible)
        out.Set(bytes, length, fEncoding, true);
    else
        out.Set(nullptr, 0, fEncoding, true);
}

bool GBin2TextStream::AreDecodable(unsigned char const* bytes, int length)
{
    for (int i = 0; i < length; ++i)
    {
        unsigned const byte = bytes[i];
        std::uint64_t const bit = std::uint64_t(1) << (byte & 63);
        // A byte known to decode is the usual case, and it is known as well.
        if (fDecodableBytes[byte >> 6] & bit)
            continue;
        if (fKnownBytes[byte >> 6] & bit)
            return false;
        fCheckedBytes.Set(bytes + i, 1);
        bool const decodable = GString::AreCompatible(fCheckedBytes, fEncoding, fCheckedText);
        fKnownBytes[byte >> 6] |= bit;
        if (!decodable)
            return false;
        fDecodableBytes[byte >> 6] |= bit;
    }
    return true;
}

bool GBin2TextStream::ReadQuotedString(GString& out)
{
    int const width = fUnitWidth;
    unsigned const quote = UnitAt(fQuote.GetPtr(), 0);
    UnitSet const stops(fQuoteStops.GetPtr(), fQuoteStops.GetLength() / width, width);
    fQuotedText.SetLength(0);
    // What the previous chunk ended in: a backslash, whose partner is the next chunk's first unit,
    // or the first byte of a character, whose second byte is.
    bool escaping = false;
    bool secondByteFirst = false;
    // The first chunk begins with the opening quote, or the text is no quoted string.
    bool first = true;
    for (;;)
    {
        int units = ReadChunk(cTextChunkUnits * width, f16Bit) / width;
        unsigned char const* p = fChunk;
        int i = 0;
        if (first)
        {
            first = false;
            if (units == 0 || UnitAt(p, 0) != quote)
            {
                PushBack(units, width);
                out.Clear();
                return false;
            }
            i = 1;
        }
        else if (units == 0)
            break;
        // A character of two bytes is text whatever its bytes: it is taken whole, also after a
        // backslash (which then escapes nothing).
        auto takeSecondByte = [&]
        {
            if (i == units)
                secondByteFirst = true;
            else if (GLeadByteSet::CanFollow(static_cast<unsigned char>(UnitAt(p, i))))
                AppendUnit(fQuotedText, UnitAt(p, i++));
        };
        if (secondByteFirst)
        {
            secondByteFirst = false;
            if (GLeadByteSet::CanFollow(static_cast<unsigned char>(UnitAt(p, 0))))
                AppendUnit(fQuotedText, UnitAt(p, i++));
        }
        else if (escaping)
        {
            escaping = false;
            unsigned const unit = UnitAt(p, i++);
            AppendEscaped(unit);
            if (IsLeadUnit(unit))
                takeSecondByte();
        }
        while (i < units)
        {
            int stop = i + stops.FindFirst(p + i * width, units - i);
            if (stop < units && UnitAt(p, stop) == quote && fQuotedText.IsEmpty())
            {
                // The whole text lies in this chunk and holds no escape: it is taken from there.
                out.Set(p + i * width, (stop - i) * width, fEncoding, true);
                PushBack(units - stop - 1, width);
                return true;
            }
            fQuotedText.AppendByteArray(p + i * width, (stop - i) * width);
            if (stop == units)
                break;
            unsigned const unit = UnitAt(p, stop);
            i = stop + 1;
            if (unit == quote)
            {
                PushBack(units - i, width);
                out.Set(fQuotedText, fEncoding, true);
                return true;
            }
            if (unit != GBufferSupport::cEscapeCharacter)
            {
                AppendUnit(fQuotedText, unit);
                takeSecondByte();
                continue;
            }
            if (i == units)
            {
                escaping = true;
                break;
            }
            unsigned const escaped = UnitAt(p, i++);
            AppendEscaped(escaped);
            if (IsLeadUnit(escaped))
                takeSecondByte();
        }
    }
    if (escaping)
        AppendUnit(fQuotedText, GBufferSupport::cEscapeCharacter);
    out.Set(fQuotedText, fEncoding, true);
    return false;
}

void GBin2TextStream::AppendEscaped(unsigned unit)
{
    if (unit == GBufferSupport::cEscapedLineEnd)
    {
        if (GBufferSupport::sLineEndingNeedsCR)
            fQuotedText.AppendByteArray(fCR.GetPtr(), fUnitWidth);
        if (GBufferSupport::sLineEndingNeedsLF)
            fQuotedText.AppendByteArray(fLF.GetPtr(), fUnitWidth);
    }
    else if (unit == GBufferSupport::cEscapedTab)
        AppendUnit(fQuotedText, cTab);
    else if (unit == cDoubleQuote || unit == cApostrophe || unit == GBufferSupport::cEscapeCharacter)
        AppendUnit(fQuotedText, unit);
    else
    {
        // Not an escape: both units stay.
        AppendUnit(fQuotedText, GBufferSupport::cEscapeCharacter);
        AppendUnit(fQuotedText, unit);
    }
}
