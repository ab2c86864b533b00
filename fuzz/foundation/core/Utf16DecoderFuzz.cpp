// UTF-16 from hostile bytes: converting to UTF-8 and back gives the same units, composition is
// stable, and conversions into every other encoding end with whole output.
#include "FuzzSupport.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    GBuffer const units = BufferOf(bytes);
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GUTF8Encoding* utf8 = GUTF8Encoding::GetInstance();

    // Lone surrogates included, every unit has a UTF-8 form; an odd last byte is no unit.
    GBuffer encoded;
    Check(utf8->ConvertFrom(units, unicode, encoded) == GEncodingResult::cComplete,
          "UTF-16 always encodes as UTF-8", Hex(bytes));
    GBuffer back;
    utf8->ConvertTo(encoded, unicode, back);
    Check(BytesOf(back) == bytes.substr(0, bytes.size() & ~std::size_t(1)),
          "UTF-8 decodes back to the same units", Hex(bytes) + "-> " + Hex(BytesOf(back)));

    // Composition is a normal form: composing again changes nothing.
    GBuffer whole(units);
    whole.SetLength(whole.GetLength() & ~1);
    GString const composed(whole, unicode, true);
    GBuffer once = composed.GetBuffer(unicode);
    GBuffer twice(once);
    unicode->EnsureComposedUnicode(twice);
    Check(BytesOf(once) == BytesOf(twice), "composing composed text changes nothing", Hex(bytes));

    for (GEncoding* target : TextEncodings())
    {
        GBuffer out;
        unsigned const result = composed.GetBuffer(out, target);
        Check(result != 0, "every conversion reports a result");
        GString const read(out, target, true);
        Check(read.GetBuffer(unicode).GetLength() % 2 == 0, "text read back has whole units");
    }
    return 0;
}
