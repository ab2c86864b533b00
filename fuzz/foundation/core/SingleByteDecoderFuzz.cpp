// The single-byte encodings on hostile bytes and glyph names: a byte every table maps reads as
// one character and writes back as the same byte.
#include "FuzzSupport.h"

#include "GCharCode.h"
#include "GMacExpertEncoding.h"
#include "GSimpleEncoding.h"
#include "GStandardEncoding.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    GEncoding* const encodings[] = {
        GASCIIEncoding::GetInstance(),  GWinAnsiEncoding::GetInstance(),  GMacRomanEncoding::GetInstance(),
        GPDFDocEncoding::GetInstance(), GStandardEncoding::GetInstance(), GMacExpertEncoding::GetInstance(),
    };
    GEncoding* encoding = encodings[input.ConsumeIntegralInRange<std::size_t>(0, 5)];
    auto const* table = dynamic_cast<GSimpleEncoding const*>(encoding);
    std::string const name = input.ConsumeRandomLengthString(64);
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();

    GBuffer units;
    unsigned const result = encoding->ConvertTo(BufferOf(bytes), unicode, units);
    Check(units.GetLength() % 2 == 0, "the decoder writes whole units");
    bool everyByteMapped = true;
    for (unsigned char byte : bytes)
        everyByteMapped = everyByteMapped && (table ? table->HasMapping(byte) : byte < 0x80);
    if (everyByteMapped && result == GEncodingResult::cComplete)
    {
        // Tables may map two bytes to one character (WinAnsi's unused codes read as the bullet),
        // so the bytes written back may differ, but they read as the same text.
        GBuffer back;
        unsigned const written = encoding->ConvertFrom(units, unicode, back);
        Check(written == GEncodingResult::cComplete, "mapped text writes back completely", Hex(bytes));
        Check(back.GetLength() == static_cast<int>(bytes.size()), "one byte per character", Hex(bytes));
        GBuffer again;
        encoding->ConvertTo(back, unicode, again);
        Check(BytesOf(again) == BytesOf(units), "the bytes written back read as the same text",
              Hex(bytes) + "-> " + Hex(BytesOf(back)));
    }

    // A glyph name from outside (a font, a file) names at most one code, and that code's own name
    // leads back to it.
    GCharCode code;
    encoding->GetCharCode(BufferOf(name), code);
    if (code.GetLength() == 1)
    {
        GBuffer glyph;
        if (encoding->GetGlyphName(code, glyph))
        {
            GCharCode again;
            encoding->GetCharCode(glyph, again);
            Check(again.GetLength() == 1, "a code's glyph name names a code", name);
        }
    }
    return 0;
}
