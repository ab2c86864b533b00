// The text writer: strings into bytes of one encoding, line ends, byte-order mark and quoted strings.
#include "GText2BinStream.h"

#include "GBufferSupport.h"
#include "GEncoding.h"
#include "GString.h"
#include "GStringSupport.h"
#include "GUnicodeEncoding.h"
#include "PSystem.h"

namespace
{
bool IsUTF16(GEncoding const* encoding)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    return encoding && unicode &&
           (encoding == unicode || encoding->GetASCIIDescription() == unicode->GetASCIIDescription());
}
} // namespace

GText2BinStream::GText2BinStream(GOutStream& target, GEncoding* encoding)
    : fEncoding(nullptr), fTarget(&target), fOwnsTarget(false), fNeedsCR(PSystem::GetLineEndingNeedsCR()),
      fNeedsLF(PSystem::GetLineEndingNeedsLF())
{
    SetEncoding(encoding, true);
}

GText2BinStream::GText2BinStream(GOutStream* target, GEncoding* encoding)
    : fEncoding(nullptr), fTarget(target), fOwnsTarget(true), fNeedsCR(PSystem::GetLineEndingNeedsCR()),
      fNeedsLF(PSystem::GetLineEndingNeedsLF())
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
    fLeadBytes = GLeadByteSet(encoding);
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
    if (fLeadBytes.IsEmpty())
    {
        GString quoted(text);
        GStringSupport::QuoteString(quoted);
        return Write(quoted);
    }
    // Composed before it is encoded, as QuoteString does, since an escape never is.
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GBuffer const bytes = GString(text.GetBuffer(unicode), unicode, true).GetBuffer(fEncoding);
    GBuffer const quote = GString("\"").GetBuffer(fEncoding);
    GBuffer quoted(quote);
    // Runs of single-byte characters are escaped as 8-bit text; a character of two bytes is copied.
    unsigned char const* p = bytes.GetPtr();
    int const count = bytes.GetLength();
    int runStart = 0;
    auto const escapeRun = [&](int end)
    {
        GBuffer run(p + runStart, end - runStart);
        GBufferSupport::ASCIIReplaceSpecialChars(run);
        quoted += run;
    };
    for (int at = 0; at < count; ++at)
    {
        if (!fLeadBytes.Contains(p[at]))
            continue;
        escapeRun(at);
        int const length = at + 1 < count ? 2 : 1;
        quoted.AppendByteArray(p + at, length);
        at += length - 1;
        runStart = at + 1;
    }
    escapeRun(count);
    quoted += quote;
    return Write(quoted);
}

void GText2BinStream::Flush()
{
    fTarget->Flush();
}
