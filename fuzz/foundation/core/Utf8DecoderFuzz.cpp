// The UTF-8 decoder on hostile bytes: the result code says exactly whether the bytes are UTF-8, what
// it decoded is whole units, and UTF-8 it accepts encodes back to the same bytes.
#include "FuzzSupport.h"

#include <stdexcept>

#include "GStdSupport.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    GBuffer const utf8 = BufferOf(bytes);
    GUTF8Encoding* decoder = GUTF8Encoding::GetInstance();
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();

    GBuffer units;
    unsigned const result = decoder->ConvertTo(utf8, unicode, units);
    Check(units.GetLength() % 2 == 0, "the decoder writes whole units");
    bool const complete = (result & GEncodingResult::cFailed) == 0;
    Check(GString::AreCompatible(utf8, decoder) == (result == GEncodingResult::cComplete),
          "AreCompatible agrees with the decoder", Hex(bytes));
    if (complete)
    {
        // UTF-8 the decoder takes encodes back to bytes that read as the same text: the same bytes,
        // except where a surrogate pair came encoded unit by unit, which is written as one character.
        GBuffer back;
        Check(decoder->ConvertFrom(units, unicode, back) == GEncodingResult::cComplete,
              "encoding back is complete");
        GBuffer again;
        Check(decoder->ConvertTo(back, unicode, again) == result, "what is encoded back decodes alike");
        Check(BytesOf(again) == BytesOf(units), "accepted UTF-8 encodes back to the same text",
              Hex(bytes) + "-> " + Hex(BytesOf(back)));
        Check(BytesOf(back) == bytes || bytes.find("\xED") != std::string::npos,
              "accepted UTF-8 without encoded surrogates encodes back to the same bytes", Hex(bytes));
    }

    // The same bytes through the string and the standard-string bridge, which decode on their own.
    GString const text(utf8, decoder, true);
    GBuffer const composed = text.GetBuffer(unicode);
    Check(composed.GetLength() % 2 == 0, "a UTF-8 string has whole units");
    // The strict decoder refuses malformed text (encoded surrogates too) as the standard library's
    // converter does.
    try
    {
        std::wstring const wide = GStdSupport::ToStdWString(utf8);
        for (wchar_t c : wide)
            Check(c >= 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF),
                  "the strict decoder gives code points");
    }
    catch (std::range_error const&)
    {
        Check(!complete || bytes.find('\0') != std::string::npos || bytes.find("\xED") != std::string::npos,
              "the strict decoder refuses only what the decoder refuses, or encoded surrogates", Hex(bytes));
    }
    return 0;
}
