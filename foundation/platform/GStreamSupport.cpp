// Whole-stream operations and content sniffing. The sniffed bytes come from arbitrary files: every
// offset, count and length read from them is checked against the bytes actually held before use.
#include "GStreamSupport.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GInStream.h"
#include "GOutStream.h"
#include "GString.h"
#include "GStringPool.h"

namespace
{
// String ids of the kinds' names, by kind.
int const cTypeNameIDs[GTypeEnums::cLastType + 1] = {7201, 7202, 7203, 7204, 7205, 7206, 7207, 7208,
                                                     7209, 7210, 7211, 7212, 7213, 7214, 7215, 7216,
                                                     7217, 7218, 7219, 7221, 7222, 7223};
int const cOutOfRangeNameID = 7100;

// "%PDF-" must start below this offset.
constexpr int cPDFHeaderLimit = 1020;
// A shorter stream is no ICC profile, whatever its first four bytes say.
constexpr long long cMinICCProfileLength = 127;
// An sfnt table directory: a 12-byte header with the table count in bytes 4-5, then 16-byte records
// of tag, checksum, offset and length.
constexpr int cSFNTHeaderSize = 12;
constexpr int cSFNTRecordSize = 16;
constexpr int cSFNTRecordOffsetField = 8;
// A DOS EPS binary header: its magic, then the little-endian offset of the PostScript section.
unsigned char const cDOSEPSMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr int cDOSEPSHeaderMinimum = 8;
constexpr int cDOSEPSSectionOffsetField = 4;

char const cPSAdobe[] = "%!PS-Adobe";
char const cType1Markers[2][15] = {"%!PS-AdobeFont", "%!FontType1"};
char const cType1PlaceHolder[] = "%This file serves as a place holder in the Windows font registry";

int Length(char const* text)
{
    return static_cast<int>(std::strlen(text));
}

int Find(GBuffer const& bytes, char const* text, int start = 0)
{
    GBuffer pattern;
    pattern.SetFromStatic(text);
    return bytes.FindSubBuffer(pattern, start, false);
}

bool StartsWith(GBuffer const& bytes, void const* prefix, int length)
{
    return bytes.GetLength() >= length && std::memcmp(bytes.GetPtr(), prefix, std::size_t(length)) == 0;
}

bool StartsWith(GBuffer const& bytes, char const* prefix)
{
    return StartsWith(bytes, prefix, Length(prefix));
}

// Reads up to count bytes into out (emptied first), however few each read delivers; stops when the
// stream has no more.
void ReadUpTo(GInStream& stream, GBuffer& out, int count)
{
    out.SetLength(0);
    GBuffer chunk;
    while (count > 0)
    {
        int const got = stream.Read(chunk, count);
        // Never more than asked, whatever a stream claims.
        int const take = std::min({got, chunk.GetLength(), count});
        if (take <= 0)
            break;
        out.AppendByteArray(chunk.GetPtr(), take);
        count -= take;
    }
}

// The first bytes of the stream, grown on demand, with bounds-checked number reads.
class Head
{
public:
    explicit Head(GInStream& stream) : fStream(stream), fComplete(false) {}

    // Holds at least n bytes afterwards, or every byte the stream has.
    void Ensure(int n)
    {
        int const held = fBytes.GetLength();
        if (held >= n || fComplete)
            return;
        fStream.Reset();
        if (fStream.Skip(held) != held)
        {
            fComplete = true;
            return;
        }
        GBuffer more;
        ReadUpTo(fStream, more, n - held);
        fBytes += more;
        fComplete = fBytes.GetLength() < n;
    }

    GBuffer const& Bytes() const { return fBytes; }
    int GetLength() const { return fBytes.GetLength(); }
    unsigned char At(int offset) const { return fBytes.GetPtr()[offset]; }

    bool Holds(long long offset, int size) const
    {
        return offset >= 0 && offset + size <= fBytes.GetLength();
    }
    // False, leaving value alone, when the number does not lie wholly within the held bytes.
    bool ReadUInt16BE(long long offset, unsigned& value) const
    {
        if (!Holds(offset, 2))
            return false;
        unsigned char const* p = fBytes.GetPtr() + offset;
        value = unsigned(p[0]) << 8 | p[1];
        return true;
    }
    bool ReadUInt32BE(long long offset, unsigned& value) const
    {
        if (!Holds(offset, 4))
            return false;
        unsigned char const* p = fBytes.GetPtr() + offset;
        value = unsigned(p[0]) << 24 | unsigned(p[1]) << 16 | unsigned(p[2]) << 8 | p[3];
        return true;
    }
    bool ReadUInt32LE(long long offset, unsigned& value) const
    {
        if (!Holds(offset, 4))
            return false;
        unsigned char const* p = fBytes.GetPtr() + offset;
        value = unsigned(p[3]) << 24 | unsigned(p[2]) << 16 | unsigned(p[1]) << 8 | p[0];
        return true;
    }

    GInStream& Stream() const { return fStream; }

private:
    GInStream& fStream;
    GBuffer fBytes;
    // The stream has no bytes beyond those held.
    bool fComplete;
};

// --- sfnt table directories ---

// The table count of the header, when it is not 0 and its records could fit in the stream.
bool ReadTableCount(Head const& head, long long length, unsigned& count)
{
    return head.ReadUInt16BE(4, count) && count != 0 &&
           cSFNTRecordSize * static_cast<long long>(count) < length;
}

// Whether a record with the tag and an offset below the stream's length exists among the first
// count records; only records lying wholly within the head are looked at, whatever count claims.
bool HasTable(Head const& head, unsigned count, char const* tag, long long length)
{
    for (long long i = 0; i < count; ++i)
    {
        long long const record = cSFNTHeaderSize + cSFNTRecordSize * i;
        if (!head.Holds(record, cSFNTRecordSize))
            return false;
        unsigned offset = 0;
        if (std::memcmp(head.Bytes().GetPtr() + record, tag, 4) == 0 &&
            head.ReadUInt32BE(record + cSFNTRecordOffsetField, offset) && offset < length)
            return true;
    }
    return false;
}

bool HasAllTables(Head const& head, unsigned count, std::initializer_list<char const*> tags, long long length)
{
    for (char const* tag : tags)
    {
        if (!HasTable(head, count, tag, length))
            return false;
    }
    return true;
}

// --- the tests, in the order GetStreamType tries them ---

bool StreamIsPDF(Head& head)
{
    head.Ensure(GStreamSupport::cHeadSize);
    int const at = Find(head.Bytes(), "%PDF-");
    return at >= 0 && at < cPDFHeaderLimit;
}

bool StreamIsCMap(Head& head)
{
    head.Ensure(GStreamSupport::cHeadSize);
    int const at = Find(head.Bytes(), "%!PS-Adobe-");
    return at >= 0 && Find(head.Bytes(), "Resource-CMap", at + Length("%!PS-Adobe-")) >= 0;
}

bool HasType1Marker(Head& head)
{
    head.Ensure(GStreamSupport::cHeadSize);
    return Find(head.Bytes(), cType1Markers[0]) >= 0 || Find(head.Bytes(), cType1Markers[1]) >= 0;
}

bool StreamIsMMType1(Head& head)
{
    return HasType1Marker(head) && Find(head.Bytes(), "BlendDesignPositions") >= 0;
}

// A Type 1 font that is not the place holder of the Windows font registry.
bool IsType1Font(Head& head)
{
    return HasType1Marker(head) && Find(head.Bytes(), cType1PlaceHolder) < 0;
}

// Binary segments start with the byte 80.
constexpr unsigned char cType1SegmentMarker = 0x80;

bool StreamIsWinType1(Head& head)
{
    return IsType1Font(head) && head.At(0) == cType1SegmentMarker;
}

bool StreamIsPSType1(Head& head)
{
    return IsType1Font(head) && head.At(0) != cType1SegmentMarker;
}

bool StreamIsType1MacSFNT(Head& head, long long length)
{
    head.Ensure(GStreamSupport::cHeadSize);
    unsigned count = 0;
    return head.GetLength() > 6 && StartsWith(head.Bytes(), "typ1") && ReadTableCount(head, length, count);
}

bool StreamIsTrueTypeCollection(Head& head, long long length)
{
    head.Ensure(GStreamSupport::cHeadSize);
    unsigned fonts = 0;
    return head.GetLength() > 16 && StartsWith(head.Bytes(), "ttcf") && head.ReadUInt32BE(8, fonts) &&
           fonts < length;
}

// cOpenTypeCFF, cTrueType or cOpenTypeCFFTrueType; cUnknown when the stream is none of them.
GTypeEnums::Types FindOpenType(Head& head, long long length)
{
    head.Ensure(GStreamSupport::cHeadSize);
    if (head.GetLength() <= cSFNTHeaderSize)
        return GTypeEnums::cUnknown;
    unsigned char const trueTypeVersion[2] = {0x00, 0x01};
    bool const cff = StartsWith(head.Bytes(), "OTTO");
    if (!cff && !StartsWith(head.Bytes(), trueTypeVersion, 2))
        return GTypeEnums::cUnknown;
    unsigned count = 0;
    if (!ReadTableCount(head, length, count) || count <= 7)
        return GTypeEnums::cUnknown;
    bool const hasCFF = HasTable(head, count, "CFF ", length);
    bool const hasGlyphs = HasAllTables(head, count, {"glyf", "loca"}, length);
    if (!(cff ? hasCFF : hasGlyphs))
        return GTypeEnums::cUnknown;
    if (!HasAllTables(head, count, {"cmap", "head", "hhea", "hmtx", "maxp", "post"}, length))
        return GTypeEnums::cUnknown;
    if (hasCFF && hasGlyphs)
        return GTypeEnums::cOpenTypeCFFTrueType;
    return cff ? GTypeEnums::cOpenTypeCFF : GTypeEnums::cTrueType;
}

bool StreamIsMacTrueType(Head& head, long long length)
{
    head.Ensure(GStreamSupport::cHeadSize);
    unsigned count = 0;
    return head.GetLength() > cSFNTHeaderSize && StartsWith(head.Bytes(), "true") &&
           ReadTableCount(head, length, count) && count > 8 &&
           HasAllTables(head, count, {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post"},
                        length);
}

// "%!PS-Adobe" with "EPSF" after it on the same line, which must end within the bytes.
bool HasEPSHeaderLine(GBuffer const& bytes)
{
    int const at = Find(bytes, cPSAdobe);
    if (at < 0)
        return false;
    int const after = at + Length(cPSAdobe);
    unsigned char const lineEnds[2] = {13, 10};
    int const lineEnd = bytes.FindFirstOccurrence(lineEnds, 2, after);
    if (lineEnd < 0)
        return false;
    int const epsf = Find(bytes, "EPSF", after);
    return epsf >= 0 && epsf + Length("EPSF") <= lineEnd;
}

bool StreamIsEPS(Head& head, long long length)
{
    head.Ensure(GStreamSupport::cHeadSize);
    if (head.GetLength() <= cDOSEPSHeaderMinimum || !StartsWith(head.Bytes(), cDOSEPSMagic, 4))
        return HasEPSHeaderLine(head.Bytes());
    // The PostScript section of a DOS EPS file, wherever its binary header says it starts.
    unsigned offset = 0;
    if (!head.ReadUInt32LE(cDOSEPSSectionOffsetField, offset) || offset >= length)
        return false;
    GInStream& stream = head.Stream();
    stream.Reset();
    if (stream.Skip(offset) != offset)
        return false;
    GBuffer section;
    ReadUpTo(stream, section, GStreamSupport::cHeadSize);
    return HasEPSHeaderLine(section);
}

bool StreamIsPS(Head& head)
{
    head.Ensure(GStreamSupport::cHeadSize);
    return Find(head.Bytes(), cPSAdobe) >= 0;
}

bool StreamIsJPG(Head& head)
{
    head.Ensure(4);
    // The end-of-image marker in place of the start-of-image marker is accepted as well.
    return head.GetLength() >= 4 && head.At(0) == 0xFF && (head.At(1) == 0xD8 || head.At(1) == 0xD9) &&
           head.At(2) == 0xFF && head.At(3) == 0xE0;
}

bool StreamIsGIF(Head& head)
{
    head.Ensure(6);
    return StartsWith(head.Bytes(), "GIF87a") || StartsWith(head.Bytes(), "GIF89a");
}

bool StreamIsTIFF(Head& head)
{
    head.Ensure(4);
    return StartsWith(head.Bytes(), "MM\0*", 4) || StartsWith(head.Bytes(), "II*\0", 4);
}

bool StreamIsBMP(Head& head, long long length)
{
    head.Ensure(6);
    unsigned fileSize = 0;
    return head.ReadUInt32LE(2, fileSize) && fileSize == length;
}

bool StreamIsICCProfile(Head& head, long long length)
{
    head.Ensure(GStreamSupport::cHeadSize);
    unsigned profileSize = 0;
    return length >= cMinICCProfileLength && head.ReadUInt32BE(0, profileSize) && profileSize == length;
}

bool StreamIsFontMetrics(Head& head)
{
    head.Ensure(GStreamSupport::cHeadSize);
    return Find(head.Bytes(), "StartFontMetrics") >= 0;
}

bool StreamIsXML(Head& head)
{
    head.Ensure(6);
    return StartsWith(head.Bytes(), "<?xml ");
}

// Runs the one test of kind; cUnknown and cEmpty have none.
bool Holds(Head& head, long long length, GTypeEnums::Types kind)
{
    switch (kind)
    {
    case GTypeEnums::cPDF:
        return StreamIsPDF(head);
    case GTypeEnums::cPostScript:
        return StreamIsPS(head);
    case GTypeEnums::cEPS:
        return StreamIsEPS(head, length);
    case GTypeEnums::cJPEG:
        return StreamIsJPG(head);
    case GTypeEnums::cGIF:
        return StreamIsGIF(head);
    case GTypeEnums::cTIFF:
        return StreamIsTIFF(head);
    case GTypeEnums::cBitmap:
        return StreamIsBMP(head, length);
    case GTypeEnums::cCMap:
        return StreamIsCMap(head);
    case GTypeEnums::cMMType1:
        return StreamIsMMType1(head);
    case GTypeEnums::cWinType1:
        return StreamIsWinType1(head);
    case GTypeEnums::cPSType1:
        return StreamIsPSType1(head);
    case GTypeEnums::cOpenTypeCFF:
    case GTypeEnums::cTrueType:
    case GTypeEnums::cOpenTypeCFFTrueType:
        return FindOpenType(head, length) == kind;
    case GTypeEnums::cTrueTypeCollection:
        return StreamIsTrueTypeCollection(head, length);
    case GTypeEnums::cType1MacSFNT:
        return StreamIsType1MacSFNT(head, length);
    case GTypeEnums::cTrueTypeMac:
        return StreamIsMacTrueType(head, length);
    case GTypeEnums::cICCProfile:
        return StreamIsICCProfile(head, length);
    case GTypeEnums::cFontMetrics:
        return StreamIsFontMetrics(head);
    case GTypeEnums::cXML:
        return StreamIsXML(head);
    case GTypeEnums::cUnknown:
    case GTypeEnums::cEmpty:
        break;
    }
    return false;
}

// The order in which GetStreamType tries the tests; the OpenType test, which tells three kinds
// apart, stands in it as cTrueType.
GTypeEnums::Types const cTestOrder[] = {
    GTypeEnums::cPDF,
    GTypeEnums::cCMap,
    GTypeEnums::cMMType1,
    GTypeEnums::cWinType1,
    GTypeEnums::cPSType1,
    GTypeEnums::cType1MacSFNT,
    GTypeEnums::cTrueTypeCollection,
    GTypeEnums::cTrueType,
    GTypeEnums::cTrueTypeMac,
    GTypeEnums::cEPS,
    GTypeEnums::cPostScript,
    GTypeEnums::cJPEG,
    GTypeEnums::cGIF,
    GTypeEnums::cTIFF,
    GTypeEnums::cBitmap,
    GTypeEnums::cICCProfile,
    GTypeEnums::cFontMetrics,
    GTypeEnums::cXML,
};

// A clone of the stream from its first byte, or null when it cannot be cloned; with its length.
GInStream* CloneFromStart(GInStream& stream, long long& length)
{
    GInStream* clone = stream.CreateClone();
    if (clone)
    {
        // The clone stands where the caller's stream stands, but the kind is that of the whole
        // stream: its head is read from the first byte, so its length must be counted from there.
        clone->Reset();
        length = GStreamSupport::GetStreamLength(*clone);
    }
    return clone;
}
} // namespace

long long GStreamSupport::GetStreamLength(GInStream& stream)
{
    long long total = 0;
    for (;;)
    {
        long long const moved = stream.Skip(cChunkSize);
        if (moved <= 0)
            break;
        total += moved;
    }
    stream.Reset();
    return total;
}

int GStreamSupport::GetContent(GInStream& stream, GBuffer& out)
{
    stream.Reset();
    int const before = out.GetLength();
    GBuffer chunk;
    while (stream.Read(chunk, cChunkSize) > 0 && !chunk.IsEmpty())
        out += chunk;
    stream.Reset();
    return out.GetLength() - before;
}

long long GStreamSupport::CopyStream(GInStream& in, GOutStream& out)
{
    long long written = 0;
    GBuffer chunk;
    while (in.Read(chunk, cChunkSize) > 0 && !chunk.IsEmpty())
        written += out.Write(chunk);
    return written;
}

bool GStreamSupport::StreamsAreEqual(GInStream& a, GInStream& b)
{
    GBuffer chunkA;
    GBuffer chunkB;
    for (;;)
    {
        bool const aEnded = a.Read(chunkA, cChunkSize) <= 0 || chunkA.IsEmpty();
        bool const bEnded = b.Read(chunkB, cChunkSize) <= 0 || chunkB.IsEmpty();
        if (aEnded || bEnded)
            return aEnded && bEnded;
        if (chunkA != chunkB)
            return false;
    }
}

GTypeEnums::Types GStreamSupport::GetStreamType(GInStream& stream)
{
    long long length = 0;
    GAutoPtr<GInStream> clone(CloneFromStart(stream, length));
    if (clone.IsNull())
        return GTypeEnums::cUnknown;
    Head head(*clone);
    head.Ensure(cHeadSize);
    if (length == 0)
        return GTypeEnums::cEmpty;
    for (GTypeEnums::Types kind : cTestOrder)
    {
        if (kind == GTypeEnums::cTrueType)
        {
            GTypeEnums::Types const found = FindOpenType(head, length);
            if (found != GTypeEnums::cUnknown)
                return found;
        }
        else if (Holds(head, length, kind))
            return kind;
    }
    return GTypeEnums::cUnknown;
}

bool GStreamSupport::StreamIsOfType(GInStream& stream, GTypeEnums::Types kind)
{
    if (kind <= GTypeEnums::cEmpty || kind > GTypeEnums::cLastType)
        return false;
    long long length = 0;
    GAutoPtr<GInStream> clone(CloneFromStart(stream, length));
    if (clone.IsNull())
        return false;
    Head head(*clone);
    head.Ensure(cHeadSize);
    return Holds(head, length, kind);
}

GString GStreamSupport::StreamTypeToGString(GTypeEnums::Types kind)
{
    bool const known = kind >= GTypeEnums::cUnknown && kind <= GTypeEnums::cLastType;
    return GStringPool::GetString(known ? cTypeNameIDs[kind] : cOutOfRangeNameID);
}
