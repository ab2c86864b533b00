// Helpers of the table and dictionary text-form tests: texts in and out of strings and bytes, the
// writer encodings every round trip is run in, and writing a form into bytes.
#pragma once

#include <string>
#include <vector>

#include "BufferText.h"
#include "GBuffer.h"
#include "GMemoryOutStream.h"
#include "GPlatformEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GShiftJISEncoding.h"
#include "GString.h"
#include "GText2BinStream.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace textformtest
{
using testsupport::BufferOf;
using testsupport::TextOf;

inline GString StringOf(std::u16string const& text)
{
    return GString(text.c_str(), true);
}

inline std::u16string U16(GString const& text)
{
    GBuffer units = text.GetBuffer(GUnicodeEncoding::GetInstance());
    return std::u16string(reinterpret_cast<char16_t const*>(units.GetPtr()),
                          static_cast<std::size_t>(units.GetLength() / 2));
}

// A writer encoding and a text beyond ASCII that it can hold.
struct WriterCase
{
    char const* fLabel;
    GEncoding* fEncoding;
    std::u16string fExtra;
};

// The Japanese and Chinese texts hold characters whose second byte is that of the backslash ("表"
// is 95 5C in Shift-JIS, "乗" 81 5C in the Chinese code page); the yen sign is written as the
// backslash's byte in Shift-JIS.
inline std::vector<WriterCase> WriterCases()
{
    return {
        {"UTF-16", GUnicodeEncoding::GetInstance(), u"\u00e9\u20ac\U0001F600\u0d22"},
        {"UTF-8", GUTF8Encoding::GetInstance(), u"\u00e9\u20ac\U0001F600"},
        {"WinAnsi", GWinAnsiEncoding::GetInstance(), u"\u00e9\u20ac"},
        {"Shift-JIS", GShiftJISEncoding::GetInstance(), u"\u8868\u30bd\u5341\"\u00a5t\u00a5\u8868"},
        {"Chinese", GPlatformEncodingFactory::GetInstance()->GetPRCEncoding(), u"\u4e57\u4fd3\"\u4e57\\"},
    };
}

// The text as the encoding holds it: what reading it back can give at best (Shift-JIS reads the
// backslash's byte as the yen sign, say).
inline std::u16string HeldBy(std::u16string const& text, GEncoding const* encoding)
{
    GString const held(StringOf(text).GetBuffer(encoding), encoding, true);
    return U16(held);
}

// The bytes of a table's or dictionary's text form written in an encoding.
template<class Form>
GBuffer Written(Form const& form, GEncoding* encoding)
{
    GBuffer bytes;
    GMemoryOutStream sink(bytes);
    GText2BinStream writer(sink, encoding);
    form.WriteTo(writer);
    return bytes;
}
} // namespace textformtest
