// The text writer: strings into bytes of one encoding, line ends, byte-order mark and quoted strings.
#include "GText2BinStream.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "GASCIIEncoding.h"
#include "GBufferSupport.h"
#include "GEncoding.h"
#include "GString.h"
#include "GStringSupport.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "PSystem.h"

namespace
{
// A character that is written as itself: ASCII that the ASCII encoding holds (it has nothing for 0
// to 6), and none of the characters that are escaped (tab, line feed, carriage return, quote,
// backslash). Nothing composes with ASCII either.
bool IsPlain(unsigned unit)
{
    return unit >= 7 && unit < 0x80 && unit != 9 && unit != 10 && unit != 13 && unit != '"' && unit != '\\';
}

// Whether the bytes at p are all plain, looked at sixteen at a time where the processor has SSE2,
// else eight at a time.
bool ArePlainBytes(unsigned char const* p, int count)
{
    constexpr std::uint64_t cOnes = 0x0101010101010101ull;
    constexpr std::uint64_t cHighs = 0x8080808080808080ull;
    int at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= count; at += 16)
    {
        __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p + at));
        // Compared as signed bytes, those from 0x80 on are below 7 too.
        __m128i bad = _mm_cmplt_epi8(bytes, _mm_set1_epi8(7));
        for (char escaped : {'\t', '\n', '\r', '"', '\\'})
            bad = _mm_or_si128(bad, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(escaped)));
        if (_mm_movemask_epi8(bad))
            return false;
    }
#endif
    for (; at + 8 <= count; at += 8)
    {
        std::uint64_t word;
        std::memcpy(&word, p + at, sizeof word);
        // A byte of x is zero where the word holds the byte b.
        auto const holds = [word](unsigned char b)
        {
            std::uint64_t const x = word ^ (cOnes * b);
            return (x - cOnes) & ~x;
        };
        // A byte below 7 borrows into its high bit when 7 is taken from it.
        std::uint64_t const low = (word - cOnes * 7) & ~word;
        if ((word | low | holds(9) | holds(10) | holds(13) | holds('"') | holds('\\')) & cHighs)
            return false;
    }
    bool plain = true;
    for (; at < count; ++at)
        plain &= IsPlain(p[at]);
    return plain;
}

bool IsUTF16(GEncoding const* encoding)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    return encoding && unicode &&
           (encoding == unicode || encoding->GetASCIIDescription() == unicode->GetASCIIDescription());
}
} // namespace

GText2BinStream::GText2BinStream(GOutStream& target, GEncoding* encoding)
    : fEncoding(nullptr), fTarget(&target), fOwnsTarget(false), fNeedsCR(PSystem::GetLineEndingNeedsCR()),
      fNeedsLF(PSystem::GetLineEndingNeedsLF()), fPlainForm(cNoPlainForm)
{
    SetEncoding(encoding, true);
}

GText2BinStream::GText2BinStream(GOutStream* target, GEncoding* encoding)
    : fEncoding(nullptr), fTarget(target), fOwnsTarget(true), fNeedsCR(PSystem::GetLineEndingNeedsCR()),
      fNeedsLF(PSystem::GetLineEndingNeedsLF()), fPlainForm(cNoPlainForm)
{
    try
    {
        SetEncoding(encoding, true);
    }
    catch (...) // the destructor will not run, and the target was handed over to this writer
    {
        delete fTarget;
        throw;
    }
}

GText2BinStream::~GText2BinStream()
{
    if (fOwnsTarget)
        delete fTarget;
}

void GText2BinStream::SetEncoding(GEncoding* encoding, bool writeMark)
{
    fEncoding = encoding;
    if (writeMark && IsUTF16(encoding))
    {
        // UTF-16 is written in the machine's byte order, and the mark says which that is.
        static unsigned char const cLittleEndianMark[] = {0xFF, 0xFE};
        static unsigned char const cBigEndianMark[] = {0xFE, 0xFF};
        GBuffer mark;
        mark.SetFromStatic(reinterpret_cast<char const*>(
                               PSystem::GetMachineByteOrder() == 0 ? cLittleEndianMark : cBigEndianMark),
                           2);
        fTarget->Write(mark);
    }
    GString("\r").GetBuffer(fCR, encoding);
    GString("\n").GetBuffer(fLF, encoding);
    GString("\"").GetBuffer(fQuote, encoding);
    fLeadBytes = GLeadByteSet(encoding);
    fPlainForm = cNoPlainForm;
    if (IsUTF16(encoding))
        fPlainForm = cPlainUnits;
    else if (encoding && (encoding == GASCIIEncoding::GetInstance() || encoding == GUTF8Encoding::GetInstance()))
        fPlainForm = cPlainBytes;
}

int GText2BinStream::Write(GBuffer const& bytes)
{
    return fTarget->Write(bytes);
}

int GText2BinStream::Write(GString const& text)
{
    return fTarget->Write(text.GetBuffer(fEncoding));
}

int GText2BinStream::Write(char const* text)
{
    if (!text)
        return 0;
    return Write(GString(text));
}

int GText2BinStream::WriteEOL()
{
    int written = 0;
    if (fNeedsCR)
        written += fTarget->Write(fCR);
    if (fNeedsLF)
        written += fTarget->Write(fLF);
    return written;
}

int GText2BinStream::WriteQuotedString(GString const& text)
{
    // The quotes are put apart from the text: an encoding of the platform ends a conversion at the
    // first character it cannot hold, and the closing quote must not end with it.
    fQuoted.SetLength(0);
    fQuoted += fQuote;
    AppendEscaped(text, fQuoted);
    fQuoted += fQuote;
    return fTarget->Write(fQuoted);
}

bool GText2BinStream::AppendPlain(GString const& text, GBuffer& out) const
{
    GEncoding const* source = text.GetEncoding().Get();
    if (fPlainForm == cNoPlainForm || !source)
        return false;
    bool const narrow = source == GASCIIEncoding::GetInstance() || source == GUTF8Encoding::GetInstance();
    if (!narrow && !IsUTF16(source))
        return false;
    GBuffer const& bytes = text.GetBytes();
    unsigned char const* p = bytes.GetPtr();
    int const count = narrow ? bytes.GetLength() : bytes.GetLength() / 2;
    bool plain = true;
    if (narrow)
        plain = ArePlainBytes(p, count);
    else
    {
        for (int i = 0; i < count; ++i)
            plain &= IsPlain(GBuffer::ReadUnit(p, i));
    }
    if (!plain)
        return false;
    if (narrow == (fPlainForm == cPlainBytes))
    {
        out.AppendByteArray(p, narrow ? count : 2 * count);
        return true;
    }
    int const start = out.GetLength();
    out.SetLength(start + (narrow ? 2 * count : count));
    unsigned char* target = out.GetWritePtr() + start;
    if (narrow)
    {
        int i = 0;
#if defined(__SSE2__)
        // Each byte becomes the low byte of a unit in the machine's order, little-endian here.
        __m128i const zero = _mm_setzero_si128();
        for (; i + 16 <= count; i += 16)
        {
            __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 2 * i), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 2 * i + 16), _mm_unpackhi_epi8(bytes, zero));
        }
#endif
        for (; i < count; ++i)
            GBuffer::WriteUnit(target, i, p[i]);
    }
    else
    {
        for (int i = 0; i < count; ++i)
            target[i] = static_cast<unsigned char>(GBuffer::ReadUnit(p, i));
    }
    return true;
}

void GText2BinStream::AppendEscaped(GString const& text, GBuffer& out) const
{
    if (AppendPlain(text, out))
        return;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    // An odd last byte of UTF-16 is half a unit, no character, and would misalign the quote.
    GBuffer units = text.GetBuffer(unicode);
    units.SetLength(units.GetLength() & ~1);
    GString escaped(units, unicode, true);
    if (fLeadBytes.IsEmpty())
    {
        GStringSupport::ReplaceSpecialChars(escaped);
        out += escaped.GetBuffer(fEncoding);
        return;
    }
    // Composed before it is encoded, as ReplaceSpecialChars does; runs of single-byte characters
    // are escaped as 8-bit text, and a character of two bytes is copied.
    GBuffer const bytes = escaped.GetBuffer(fEncoding);
    unsigned char const* p = bytes.GetPtr();
    int const count = bytes.GetLength();
    int runStart = 0;
    auto const escapeRun = [&](int end)
    {
        GBuffer run(p + runStart, end - runStart);
        GBufferSupport::ASCIIReplaceSpecialChars(run);
        out += run;
    };
    for (int at = 0; at < count; ++at)
    {
        if (!fLeadBytes.Contains(p[at]))
            continue;
        escapeRun(at);
        int const length = at + 1 < count && GLeadByteSet::CanFollow(p[at + 1]) ? 2 : 1;
        out.AppendByteArray(p + at, length);
        at += length - 1;
        runStart = at + 1;
    }
    escapeRun(count);
}

void GText2BinStream::Flush()
{
    fTarget->Flush();
}
