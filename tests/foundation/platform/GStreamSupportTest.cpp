// Whole-stream operations and content sniffing: small real samples of every kind, the boundaries of
// each test, the order in which the tests are tried, and truncated and hostile inputs, which must
// get an answer without reading outside the bytes held.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "BufferText.h"
#include "GBuffer.h"
#include "GFileType.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GStreamSupport.h"
#include "GStringPool.h"
#include "StreamTestSupport.h"
#include "StringText.h"

using streamtest::TrickleStream;
using streamtest::UncloneableStream;
using testsupport::BufferOf;

namespace
{
using Kind = GTypeEnums::Types;
using Bytes = std::string;

// --- building samples ---

void PutUInt16BE(Bytes& bytes, std::size_t at, unsigned value)
{
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value);
}

void PutUInt32BE(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = char(value >> (24 - 8 * i));
}

void PutUInt32LE(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = char(value >> (8 * i));
}

// An sfnt font: the version tag, a table directory of the tags, then four bytes of data per table
// in directory order, so that the last table ends the file.
Bytes SFNT(Bytes const& version, std::vector<char const*> const& tags)
{
    std::size_t const count = tags.size();
    Bytes font(12 + 16 * count + 4 * count, '\0');
    font.replace(0, 4, version);
    PutUInt16BE(font, 4, unsigned(count));
    for (std::size_t i = 0; i < count; ++i)
    {
        std::size_t const record = 12 + 16 * i;
        font.replace(record, 4, tags[i]);
        PutUInt32BE(font, record + 8, std::uint32_t(12 + 16 * count + 4 * i));
        PutUInt32BE(font, record + 12, 4);
    }
    return font;
}

Bytes const cTrueTypeVersion("\x00\x01\x00\x00", 4);

Bytes OpenTypeCFF()
{
    return SFNT("OTTO", {"CFF ", "OS/2", "cmap", "head", "hhea", "hmtx", "maxp", "name", "post"});
}

Bytes TrueType()
{
    return SFNT(cTrueTypeVersion, {"OS/2", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "post"});
}

Bytes OpenTypeBoth()
{
    return SFNT("OTTO", {"CFF ", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "post"});
}

Bytes MacTrueType()
{
    return SFNT("true", {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post"});
}

Bytes Type1MacSFNT()
{
    return SFNT("typ1", {"TYP1", "name", "post"});
}

Bytes TrueTypeCollection()
{
    Bytes collection("ttcf", 4);
    collection += Bytes("\x00\x01\x00\x00", 4);
    collection += Bytes("\x00\x00\x00\x01", 4);
    collection += Bytes("\x00\x00\x00\x10", 4);
    return collection + TrueType();
}

Bytes Bitmap()
{
    Bytes bitmap(70, '\0');
    bitmap.replace(0, 2, "BM");
    PutUInt32LE(bitmap, 2, 70);
    PutUInt32LE(bitmap, 10, 62);
    PutUInt32LE(bitmap, 14, 40);
    return bitmap;
}

Bytes ICCProfile(std::size_t size)
{
    Bytes profile(size, '\0');
    PutUInt32BE(profile, 0, std::uint32_t(size));
    if (size >= 40)
        profile.replace(36, 4, "acsp");
    return profile;
}

Bytes const cEPSText = "%!PS-Adobe-3.0 EPSF-3.0\r%%BoundingBox: 0 0 10 10\r%%EndComments\rshowpage\r";

// A DOS EPS file: its 30-byte binary header, then the PostScript section.
Bytes DOSEPS(std::uint32_t sectionOffset)
{
    Bytes header(30, '\0');
    header.replace(0, 4, "\xC5\xD0\xD3\xC6");
    PutUInt32LE(header, 4, sectionOffset);
    PutUInt32LE(header, 8, std::uint32_t(cEPSText.size()));
    return header + cEPSText;
}

Bytes const cPDF =
    "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n<< >>\n%%EOF\n";
Bytes const cPostScript = "%!PS-Adobe-3.0\n%%Creator: sample\n%%Pages: 1\n/Helvetica findfont 12 scalefont\n";
Bytes const cCMap = "%!PS-Adobe-3.0 Resource-CMap\n%%DocumentNeededResources: ProcSet (CIDInit)\n"
                    "/CIDInit /ProcSet findresource begin\n";
Bytes const cType1 = "%!PS-AdobeFont-1.0: Sample 001.000\n%%CreationDate: today\n/FontType 1 def\n";
Bytes const cFontType1 = "%!FontType1-1.0: Sample 001.000\n/FontType 1 def\n";
Bytes const cMMType1 = "%!PS-AdobeFont-1.0: SampleMM 001.000\n/BlendDesignPositions [[0][1]] def\n";
Bytes const cAFM = "StartFontMetrics 4.1\nFontName Sample\nEndFontMetrics\n";
Bytes const cXML = "<?xml version=\"1.0\"?>\n<sample/>\n";

// A PostScript font in binary segments: a segment header (80, 01, little-endian length), then
// the clear-text part.
Bytes WinType1()
{
    Bytes header("\x80\x01", 2);
    header += Bytes(4, '\0');
    PutUInt32LE(header, 2, std::uint32_t(cType1.size()));
    return header + cType1;
}

Bytes JPEG(unsigned char marker, unsigned char segment)
{
    Bytes jpeg = {char(0xFF), char(marker), char(0xFF), char(segment), 0x00, 0x10};
    return jpeg + Bytes("JFIF\0\x01\x01", 7) + Bytes(9, '\0');
}

struct Sample
{
    char const* fName;
    Bytes fBytes;
    Kind fKind;
};

std::vector<Sample> Samples()
{
    return {
        {"PDF", cPDF, GTypeEnums::cPDF},
        {"PostScript", cPostScript, GTypeEnums::cPostScript},
        {"EPS", cEPSText, GTypeEnums::cEPS},
        {"DOS EPS", DOSEPS(30), GTypeEnums::cEPS},
        {"JPEG", JPEG(0xD8, 0xE0), GTypeEnums::cJPEG},
        {"GIF87a", "GIF87a\x01\x00\x01\x00\x80\x00\x00;", GTypeEnums::cGIF},
        {"GIF89a", "GIF89a\x01\x00\x01\x00\x80\x00\x00;", GTypeEnums::cGIF},
        {"TIFF big-endian", Bytes("MM\x00*\x00\x00\x00\x08\x00\x00", 10), GTypeEnums::cTIFF},
        {"TIFF little-endian", Bytes("II*\x00\x08\x00\x00\x00\x00\x00", 10), GTypeEnums::cTIFF},
        {"bitmap", Bitmap(), GTypeEnums::cBitmap},
        {"CMap", cCMap, GTypeEnums::cCMap},
        {"multiple-master Type 1", cMMType1, GTypeEnums::cMMType1},
        {"Windows Type 1", WinType1(), GTypeEnums::cWinType1},
        {"PostScript Type 1", cType1, GTypeEnums::cPSType1},
        {"FontType1 Type 1", cFontType1, GTypeEnums::cPSType1},
        {"OpenType CFF", OpenTypeCFF(), GTypeEnums::cOpenTypeCFF},
        {"TrueType", TrueType(), GTypeEnums::cTrueType},
        {"OpenType CFF and TrueType", OpenTypeBoth(), GTypeEnums::cOpenTypeCFFTrueType},
        {"TrueType collection", TrueTypeCollection(), GTypeEnums::cTrueTypeCollection},
        {"Type 1 in a Mac sfnt", Type1MacSFNT(), GTypeEnums::cType1MacSFNT},
        {"Mac TrueType", MacTrueType(), GTypeEnums::cTrueTypeMac},
        {"ICC profile", ICCProfile(132), GTypeEnums::cICCProfile},
        {"font metrics", cAFM, GTypeEnums::cFontMetrics},
        {"XML", cXML, GTypeEnums::cXML},
        {"plain text", "Just some words.\n", GTypeEnums::cUnknown},
    };
}

// Every kind a sniffer can answer, in value order.
std::vector<Kind> AllKinds()
{
    std::vector<Kind> kinds;
    for (int kind = GTypeEnums::cUnknown; kind <= GTypeEnums::cLastType; ++kind)
        kinds.push_back(Kind(kind));
    return kinds;
}

Kind Sniff(Bytes const& bytes)
{
    GBuffer const buffer = BufferOf(bytes);
    GMemoryInStream stream(buffer);
    return GStreamSupport::GetStreamType(stream);
}

bool IsOfType(Bytes const& bytes, Kind kind)
{
    GBuffer const buffer = BufferOf(bytes);
    GMemoryInStream stream(buffer);
    return GStreamSupport::StreamIsOfType(stream, kind);
}

// For the kinds that compare lengths or offsets in the bytes with the stream's length, the shortest
// prefix of the sample that is still of its kind; 0 for the others. A bitmap or a profile must be
// whole; a font needs the offset of its last table, four bytes before its end, below the length.
std::size_t ShortestOfKind(Sample const& sample)
{
    switch (sample.fKind)
    {
    case GTypeEnums::cBitmap:
    case GTypeEnums::cICCProfile:
        return sample.fBytes.size();
    case GTypeEnums::cOpenTypeCFF:
    case GTypeEnums::cTrueType:
    case GTypeEnums::cOpenTypeCFFTrueType:
    case GTypeEnums::cTrueTypeMac:
        return sample.fBytes.size() - 3;
    default:
        return 0;
    }
}

// The two sniffing operations must agree: the kind found is one whose test holds, and the stream
// is of no other kind, except kinds whose tests come later or share the OpenType test.
void ExpectConsistent(Bytes const& bytes)
{
    Kind const found = Sniff(bytes);
    if (bytes.empty())
    {
        EXPECT_EQ(GTypeEnums::cEmpty, found);
        return;
    }
    ASSERT_NE(GTypeEnums::cEmpty, found);
    if (found != GTypeEnums::cUnknown)
        EXPECT_TRUE(IsOfType(bytes, found));
    else
    {
        for (Kind kind : AllKinds())
            EXPECT_FALSE(IsOfType(bytes, kind)) << "kind " << kind;
    }
}

class GStreamSupportTest : public ::testing::Test
{
protected:
    // The kinds' names come from the file-kind table.
    static void SetUpTestSuite()
    {
        GStringPool::Initialize();
        GFileType::Initialize();
    }
    static void TearDownTestSuite()
    {
        GFileType::Finalize();
        GStringPool::Finalize();
    }
};

// --- recognising ---

TEST_F(GStreamSupportTest, RecognisesASmallSampleOfEveryKind)
{
    for (Sample const& sample : Samples())
    {
        SCOPED_TRACE(sample.fName);
        EXPECT_EQ(sample.fKind, Sniff(sample.fBytes));
        if (sample.fKind != GTypeEnums::cUnknown)
        {
            EXPECT_TRUE(IsOfType(sample.fBytes, sample.fKind));
        }
    }
}

TEST_F(GStreamSupportTest, SniffsTheWholeStreamAndLeavesTheCallersPosition)
{
    GBuffer const bitmap = BufferOf(Bitmap());
    GMemoryInStream stream(bitmap);
    GBuffer read;
    stream.Read(read, 10);
    EXPECT_EQ(GTypeEnums::cBitmap, GStreamSupport::GetStreamType(stream));
    EXPECT_TRUE(GStreamSupport::StreamIsOfType(stream, GTypeEnums::cBitmap));
    EXPECT_EQ(10, stream.GetPosition());
}

TEST_F(GStreamSupportTest, FillsTheHeadFromStreamsThatDeliverLittleAtATime)
{
    for (Sample const& sample : Samples())
    {
        SCOPED_TRACE(sample.fName);
        TrickleStream stream(sample.fBytes);
        EXPECT_EQ(sample.fKind, GStreamSupport::GetStreamType(stream));
    }
    // A DOS EPS section read through such a stream too.
    TrickleStream eps(DOSEPS(30));
    EXPECT_TRUE(GStreamSupport::StreamIsOfType(eps, GTypeEnums::cEPS));
}

TEST_F(GStreamSupportTest, TreatsAStreamThatCannotBeClonedAsUnknown)
{
    GBuffer const pdf = BufferOf(cPDF);
    UncloneableStream stream(pdf);
    EXPECT_EQ(GTypeEnums::cUnknown, GStreamSupport::GetStreamType(stream));
    EXPECT_FALSE(GStreamSupport::StreamIsOfType(stream, GTypeEnums::cPDF));
    EXPECT_EQ(0, stream.GetPosition());
}

TEST_F(GStreamSupportTest, CallsAnEmptyStreamEmptyAndOfNoKind)
{
    EXPECT_EQ(GTypeEnums::cEmpty, Sniff(""));
    for (Kind kind : AllKinds())
        EXPECT_FALSE(IsOfType("", kind)) << "kind " << kind;
    for (int kind : {-1, 22, 1000})
        EXPECT_FALSE(IsOfType(cPDF, Kind(kind))) << "kind " << kind;
}

TEST_F(GStreamSupportTest, HoldsEachTestToItsBoundaries)
{
    struct Case
    {
        char const* fWhat;
        Bytes fBytes;
        Kind fKind;
    };
    Bytes const pdfAt1019 = Bytes(1019, ' ') + cPDF;
    Bytes const pdfAt1020 = Bytes(1020, ' ') + cPDF;
    Case const cases[] = {
        {"PDF header at offset 1019", pdfAt1019, GTypeEnums::cPDF},
        {"PDF header at offset 1020", pdfAt1020, GTypeEnums::cUnknown},
        {"PostScript naming PDF on its first line", "%!PS-Adobe-3.0 PDF\n", GTypeEnums::cPostScript},
        {"EPSF on a later line", "%!PS-Adobe-3.0\n%%Title: EPSF\n", GTypeEnums::cPostScript},
        {"EPSF before the header", "EPSF %!PS-Adobe-3.0\n", GTypeEnums::cPostScript},
        {"EPS header line without its end", "%!PS-Adobe-3.0 EPSF-3.0", GTypeEnums::cPostScript},
        {"EPS header line ended by LF", "%!PS-Adobe-3.0 EPSF-3.0\n", GTypeEnums::cEPS},
        {"PostScript header beyond the head", Bytes(4096, ' ') + cPostScript, GTypeEnums::cUnknown},
        {"JPEG without JFIF segment first", JPEG(0xD8, 0xE1), GTypeEnums::cUnknown},
        {"JPEG starting with the end marker", JPEG(0xD9, 0xE0), GTypeEnums::cJPEG},
        {"GIF of another version", "GIF88a\x01\x00\x01\x00", GTypeEnums::cUnknown},
        {"TIFF with mixed byte order", Bytes("MI*\x00\x08\x00\x00\x00", 8), GTypeEnums::cUnknown},
        {"XML mark with a tab", "<?xml\tversion=\"1.0\"?>\n", GTypeEnums::cUnknown},
        {"XML mark alone", "<?xml ", GTypeEnums::cXML},
        {"ICC profile of 126 bytes", ICCProfile(126), GTypeEnums::cUnknown},
        {"ICC profile of 127 bytes", ICCProfile(127), GTypeEnums::cICCProfile},
        {"bitmap-like length in any bytes", "xx\x0C" + Bytes(3, '\0') + "zzzzzz", GTypeEnums::cBitmap},
        {"Type 1 place holder",
         "%!PS-AdobeFont-1.0\n%This file serves as a place holder in the Windows font "
         "registry\n",
         GTypeEnums::cPostScript},
        {"CMap marker before the header", "Resource-CMap %!PS-Adobe-3.0\n", GTypeEnums::cPostScript},
        {"OpenType with seven tables", SFNT("OTTO", {"CFF ", "cmap", "head", "hhea", "hmtx", "maxp", "post"}),
         GTypeEnums::cUnknown},
        {"OpenType without post",
         SFNT("OTTO", {"CFF ", "OS/2", "cmap", "head", "hhea", "hmtx", "maxp", "name"}),
         GTypeEnums::cUnknown},
        {"TrueType without loca",
         SFNT(cTrueTypeVersion, {"OS/2", "cmap", "glyf", "head", "hhea", "hmtx", "maxp", "name", "post"}),
         GTypeEnums::cUnknown},
        {"Mac TrueType with eight tables",
         SFNT("true", {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "post"}),
         GTypeEnums::cUnknown},
        {"Mac sfnt Type 1 without tables", SFNT("typ1", {}), GTypeEnums::cUnknown},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fWhat);
        EXPECT_EQ(c.fKind, Sniff(c.fBytes));
    }
}

TEST_F(GStreamSupportTest, TriesTheTestsInTheirOrder)
{
    // A multiple-master font also passes the Type 1 tests, a CMap the PostScript test, a PDF with
    // a PostScript header too, an EPS file the PostScript test: the earlier test decides.
    EXPECT_TRUE(IsOfType(cMMType1, GTypeEnums::cPSType1));
    EXPECT_EQ(GTypeEnums::cMMType1, Sniff(cMMType1));
    EXPECT_TRUE(IsOfType(cCMap, GTypeEnums::cPostScript));
    EXPECT_EQ(GTypeEnums::cCMap, Sniff(cCMap));
    Bytes const pdfInPostScript = cPostScript + cPDF;
    EXPECT_TRUE(IsOfType(pdfInPostScript, GTypeEnums::cPostScript));
    EXPECT_EQ(GTypeEnums::cPDF, Sniff(pdfInPostScript));
    EXPECT_TRUE(IsOfType(cEPSText, GTypeEnums::cPostScript));
    EXPECT_EQ(GTypeEnums::cEPS, Sniff(cEPSText));
    // The OpenType test answers for three kinds: only the one it found holds.
    EXPECT_FALSE(IsOfType(OpenTypeBoth(), GTypeEnums::cOpenTypeCFF));
    EXPECT_FALSE(IsOfType(OpenTypeBoth(), GTypeEnums::cTrueType));
    EXPECT_TRUE(IsOfType(OpenTypeBoth(), GTypeEnums::cOpenTypeCFFTrueType));
    // Bytes 2 to 5 of a TIFF file of 42 bytes read as its length: the earlier TIFF test decides.
    Bytes const tiff = Bytes("II*\x00\x00\x00", 6) + Bytes(36, '\0');
    EXPECT_TRUE(IsOfType(tiff, GTypeEnums::cBitmap));
    EXPECT_EQ(GTypeEnums::cTIFF, Sniff(tiff));
    // A profile of 257 bytes also reads as a bitmap of its length, and the bitmap test comes first.
    Bytes const profile = ICCProfile(257);
    EXPECT_TRUE(IsOfType(profile, GTypeEnums::cICCProfile));
    EXPECT_EQ(GTypeEnums::cBitmap, Sniff(profile));
}

TEST_F(GStreamSupportTest, FindsThePostScriptSectionOfADOSEPSFile)
{
    EXPECT_EQ(GTypeEnums::cEPS, Sniff(DOSEPS(30)));
    // Only the section is looked at: pointing past its header line leaves plain PostScript, though
    // the head holds an EPS header line.
    EXPECT_EQ(GTypeEnums::cPostScript, Sniff(DOSEPS(31)));
    // A section from the first byte holds the whole file.
    EXPECT_EQ(GTypeEnums::cEPS, Sniff(DOSEPS(0)));
    // The section starts after the head: it is read from the stream all the same.
    Bytes far = DOSEPS(30 + 6000);
    far.insert(30, Bytes(6000, '\0'));
    EXPECT_EQ(GTypeEnums::cEPS, Sniff(far));
}

// --- truncated and hostile input ---

TEST_F(GStreamSupportTest, AnswersForEveryTruncationOfEverySample)
{
    for (Sample const& sample : Samples())
    {
        SCOPED_TRACE(sample.fName);
        for (std::size_t length = 0; length < sample.fBytes.size(); ++length)
        {
            SCOPED_TRACE(length);
            Bytes const prefix = sample.fBytes.substr(0, length);
            ExpectConsistent(prefix);
            if (length < ShortestOfKind(sample))
            {
                EXPECT_NE(sample.fKind, Sniff(prefix));
            }
            else if (ShortestOfKind(sample) != 0)
            {
                EXPECT_EQ(sample.fKind, Sniff(prefix));
            }
        }
    }
}

TEST_F(GStreamSupportTest, NeverTrustsCountsAndOffsetsInTheBytes)
{
    struct Case
    {
        char const* fWhat;
        Bytes fBytes;
        Kind fKind;
    };
    std::vector<Case> cases;

    // Table counts far beyond the records present; the records that are there decide.
    Bytes manyTables = OpenTypeCFF();
    PutUInt16BE(manyTables, 4, 0xFFFF);
    cases.push_back({"OpenType claiming 65535 tables in a short file", manyTables, GTypeEnums::cUnknown});
    Bytes manyTablesLong = manyTables + Bytes(16 * 0xFFFF, '\0');
    cases.push_back({"OpenType claiming 65535 tables, its records in the head", manyTablesLong,
                     GTypeEnums::cOpenTypeCFF});
    Bytes macMany = MacTrueType();
    PutUInt16BE(macMany, 4, 0xFFFF);
    cases.push_back({"Mac TrueType claiming 65535 tables, records in the head",
                     macMany + Bytes(16 * 0xFFFF, '\0'), GTypeEnums::cTrueTypeMac});

    // A required record beyond the head is not looked at, even though the count covers it.
    std::vector<char const*> tags(300, "pad ");
    tags.back() = "post";
    tags[0] = "CFF ";
    tags[1] = "cmap";
    tags[2] = "head";
    tags[3] = "hhea";
    tags[4] = "hmtx";
    tags[5] = "maxp";
    cases.push_back({"OpenType record beyond the head", SFNT("OTTO", tags), GTypeEnums::cUnknown});
    tags.back() = "pad ";
    tags[6] = "post";
    cases.push_back(
        {"OpenType with 300 tables, all needed ones early", SFNT("OTTO", tags), GTypeEnums::cOpenTypeCFF});

    // Offsets at or beyond the stream's end.
    Bytes badOffset = TrueType();
    PutUInt32BE(badOffset, 12 + 16 * 2 + 8, std::uint32_t(badOffset.size()));
    cases.push_back({"TrueType glyf offset at the end", badOffset, GTypeEnums::cUnknown});
    PutUInt32BE(badOffset, 12 + 16 * 2 + 8, 0xFFFFFFFF);
    cases.push_back({"TrueType glyf offset 0xFFFFFFFF", badOffset, GTypeEnums::cUnknown});
    Bytes badMac = MacTrueType();
    PutUInt32BE(badMac, 12 + 16 * 8 + 8, 0x80000000);
    cases.push_back({"Mac TrueType post offset far out", badMac, GTypeEnums::cUnknown});

    // A record cut by the end of the bytes.
    Bytes cutRecord = OpenTypeCFF().substr(0, 12 + 16 * 8 + 10);
    cases.push_back({"OpenType cut inside its last record", cutRecord, GTypeEnums::cUnknown});

    // Collections, Mac Type 1 and the length-based kinds with hostile numbers.
    Bytes ttc = TrueTypeCollection();
    PutUInt32BE(ttc, 8, 0xFFFFFFFF);
    cases.push_back({"collection of 0xFFFFFFFF fonts", ttc, GTypeEnums::cUnknown});
    cases.push_back(
        {"collection header of 16 bytes", TrueTypeCollection().substr(0, 16), GTypeEnums::cUnknown});
    Bytes typ1 = Type1MacSFNT();
    PutUInt16BE(typ1, 4, 0xFFFF);
    cases.push_back({"Mac Type 1 claiming 65535 tables", typ1, GTypeEnums::cUnknown});
    cases.push_back({"Mac Type 1 header of 6 bytes", Bytes("typ1\x00\x01", 6), GTypeEnums::cUnknown});
    Bytes bitmap = Bitmap();
    PutUInt32LE(bitmap, 2, 0xFFFFFFFF);
    cases.push_back({"bitmap of 0xFFFFFFFF bytes", bitmap, GTypeEnums::cUnknown});
    Bytes icc = ICCProfile(200);
    PutUInt32BE(icc, 0, 0xFFFFFFFF);
    cases.push_back({"ICC profile of 0xFFFFFFFF bytes", icc, GTypeEnums::cUnknown});

    // DOS EPS section offsets pointing anywhere: no EPS, and the PostScript text in the head is
    // still PostScript.
    cases.push_back({"DOS EPS section at 0xFFFFFFFF", DOSEPS(0xFFFFFFFF), GTypeEnums::cPostScript});
    cases.push_back({"DOS EPS section at the last byte", DOSEPS(std::uint32_t(DOSEPS(0).size() - 1)),
                     GTypeEnums::cPostScript});
    cases.push_back(
        {"DOS EPS section at the end", DOSEPS(std::uint32_t(DOSEPS(0).size())), GTypeEnums::cPostScript});
    cases.push_back({"DOS EPS header of 9 bytes", DOSEPS(30).substr(0, 9), GTypeEnums::cUnknown});
    Bytes sectionCut = DOSEPS(30);
    sectionCut.resize(30 + 20);
    cases.push_back({"DOS EPS section without its line end", sectionCut, GTypeEnums::cPostScript});

    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fWhat);
        EXPECT_EQ(c.fKind, Sniff(c.fBytes));
        ExpectConsistent(c.fBytes);
    }
}

TEST_F(GStreamSupportTest, AnswersForRandomBytesBehindEveryMagic)
{
    std::vector<Bytes> const magics = {"",
                                       "%PDF-",
                                       "%!PS-Adobe-",
                                       "%!PS-AdobeFont",
                                       "\xC5\xD0\xD3\xC6",
                                       Bytes("\xFF\xD8\xFF\xE0", 4),
                                       "GIF89a",
                                       Bytes("MM\x00*", 4),
                                       Bytes("\x80\x01", 2),
                                       "OTTO",
                                       Bytes("\x00\x01\x00\x00", 4),
                                       "ttcf",
                                       "typ1",
                                       "true",
                                       "<?xml "};
    std::mt19937 random(20240611u);
    for (Bytes const& magic : magics)
    {
        SCOPED_TRACE(magic);
        for (int round = 0; round < 40; ++round)
        {
            std::size_t const length = random() % (round < 30 ? 64 : 5000);
            Bytes bytes = magic;
            for (std::size_t i = 0; i < length; ++i)
                bytes += char(random());
            ExpectConsistent(bytes);
        }
    }
}

// --- names ---

TEST_F(GStreamSupportTest, NamesEveryKindFromTheFileKindTable)
{
    char const* const names[] = {"Not Implemented",
                                 "Empty",
                                 "Portable Document Format (PDF)",
                                 "PostScript",
                                 "Extended PostScript",
                                 "JPG",
                                 "GIF",
                                 "TIFF",
                                 "Bitmap",
                                 "CMap",
                                 "MMType1",
                                 "WinType1",
                                 "PS Type1",
                                 "OpenType CFF",
                                 "TrueType",
                                 "OpenType CFF TrueType",
                                 "TrueType Collection",
                                 "Type1 Mac SFNT",
                                 "TrueType Mac",
                                 "ICC Profile",
                                 "FontMetrics",
                                 "XML"};
    for (Kind kind : AllKinds())
    {
        SCOPED_TRACE(kind);
        EXPECT_EQ(names[kind], testsupport::Utf8Of(GStreamSupport::StreamTypeToGString(kind)));
    }
    // Id 7100 has no text in the table.
    for (int kind : {-1, 22, 100})
        EXPECT_TRUE(GStreamSupport::StreamTypeToGString(Kind(kind)).IsEmpty()) << kind;
}

// --- whole-stream operations ---

GBuffer Pattern(int length, unsigned seed)
{
    std::mt19937 random(seed);
    GBuffer bytes;
    bytes.SetLength(length);
    unsigned char* p = bytes.GetWritePtr();
    for (int i = 0; i < length; ++i)
        p[i] = static_cast<unsigned char>(random());
    return bytes;
}

TEST_F(GStreamSupportTest, MeasuresFromThePositionAndLeavesTheStreamReset)
{
    for (int length : {0, 1, GStreamSupport::cChunkSize, 250000})
    {
        SCOPED_TRACE(length);
        GBuffer const bytes = Pattern(length, 1);
        GMemoryInStream stream(bytes);
        EXPECT_EQ(length, GStreamSupport::GetStreamLength(stream));
        EXPECT_EQ(0, stream.GetPosition());
        stream.Skip(7);
        EXPECT_EQ(std::max(0, length - 7), GStreamSupport::GetStreamLength(stream));
        EXPECT_EQ(0, stream.GetPosition());
        // Through the skip that reads, as any stream without its own has.
        TrickleStream trickle(testsupport::TextOf(bytes));
        EXPECT_EQ(length, GStreamSupport::GetStreamLength(trickle));
    }
}

TEST_F(GStreamSupportTest, AppendsTheWholeContentFromTheStart)
{
    GBuffer const bytes = Pattern(250000, 2);
    GMemoryInStream stream(bytes);
    stream.Skip(1000);
    GBuffer out("prefix");
    EXPECT_EQ(250000, GStreamSupport::GetContent(stream, out));
    EXPECT_EQ(GBuffer("prefix") + bytes, out);
    EXPECT_EQ(0, stream.GetPosition());

    GBuffer const empty;
    GMemoryInStream none(empty);
    GBuffer untouched("x");
    EXPECT_EQ(0, GStreamSupport::GetContent(none, untouched));
    EXPECT_EQ(GBuffer("x"), untouched);
}

TEST_F(GStreamSupportTest, CopiesFromWhereTheInputStands)
{
    GBuffer const bytes = Pattern(250000, 3);
    GMemoryInStream stream(bytes);
    stream.Skip(100);
    GBuffer copy;
    GMemoryOutStream out(copy);
    EXPECT_EQ(249900, GStreamSupport::CopyStream(stream, out));
    EXPECT_EQ(bytes.GetSubBuffer(100, 249900), copy);
    EXPECT_EQ(250000, stream.GetPosition());
    EXPECT_EQ(0, GStreamSupport::CopyStream(stream, out));
}

TEST_F(GStreamSupportTest, ComparesStreamsChunkByChunk)
{
    GBuffer const bytes = Pattern(250000, 4);
    GBuffer changedLast = bytes;
    changedLast.GetWritePtr()[249999] ^= 1;
    GBuffer const shorter = bytes.GetSubBuffer(0, 249999);
    GBuffer const empty;
    struct Case
    {
        char const* fWhat;
        GBuffer const& fA;
        GBuffer const& fB;
        bool fEqual;
    };
    Case const cases[] = {
        {"same bytes", bytes, bytes, true},        {"last byte differs", bytes, changedLast, false},
        {"second shorter", bytes, shorter, false}, {"first shorter", shorter, bytes, false},
        {"both empty", empty, empty, true},        {"first empty", empty, bytes, false},
        {"second empty", bytes, empty, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fWhat);
        GMemoryInStream a(c.fA);
        GMemoryInStream b(c.fB);
        EXPECT_EQ(c.fEqual, GStreamSupport::StreamsAreEqual(a, b));
    }
    // From where each stands.
    GBuffer const tail = bytes.GetSubBuffer(5, 249995);
    GMemoryInStream a(bytes);
    GMemoryInStream b(tail);
    a.Skip(5);
    EXPECT_TRUE(GStreamSupport::StreamsAreEqual(a, b));
}
} // namespace
