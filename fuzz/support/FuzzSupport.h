// What the fuzz programs share: starting the foundation once, the encodings a text may be read or
// written in, texts in and out of strings, and the check that ends a run with a report when a
// property does not hold.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"

#include "GBasicFrameworkCoreLayer.h"
#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GShiftJISEncoding.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace fuzzsupport
{
// The foundation started through its counted start-up, once per process, and stopped at its exit so
// that the leak checker sees nothing left.
inline void StartOnce()
{
    static bool const started = []
    {
        GBasicFrameworkCoreLayer::Initialize();
        std::atexit([] { GBasicFrameworkCoreLayer::Finalize(); });
        return true;
    }();
    (void)started;
}

// A new folder "<name>-XXXXXX" in the temporary folder (named by mkdtemp: targets run in worlds of
// their own share the temporary folder, and there many run under the same process id), removed with
// all it holds when the process exits, however many inputs it ran; a target asks for it once and
// keeps the path. The paths are never destroyed, so that they outlive the exit handler.
inline std::filesystem::path const& OwnTemporaryFolder(std::string const& name)
{
    static std::deque<std::filesystem::path>* const sFolders = []
    {
        std::atexit(
            []
            {
                for (std::filesystem::path const& folder : *sFolders)
                {
                    std::error_code error;
                    std::filesystem::remove_all(folder, error);
                }
            });
        return new std::deque<std::filesystem::path>;
    }();
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
    Check(mkdtemp(pattern.data()) != nullptr, "a temporary folder can be made", pattern);
    sFolders->push_back(pattern);
    return sFolders->back();
}

// Every encoding text can be read and written in: UTF-16, UTF-8, the single-byte tables and the
// platform's encodings (its own, Shift-JIS and the Chinese code page, whose characters take two
// bytes).
inline std::vector<GEncoding*> const& TextEncodings()
{
    static std::vector<GEncoding*> const encodings = {
        GUnicodeEncoding::GetInstance(),
        GUTF8Encoding::GetInstance(),
        GASCIIEncoding::GetInstance(),
        GWinAnsiEncoding::GetInstance(),
        GMacRomanEncoding::GetInstance(),
        GPDFDocEncoding::GetInstance(),
        GPlatformEncoding::GetInstance(),
        GShiftJISEncoding::GetInstance(),
        GPlatformEncodingFactory::GetInstance()->GetPRCEncoding(),
    };
    return encodings;
}

inline GEncoding* PickEncoding(FuzzedDataProvider& input)
{
    std::vector<GEncoding*> const& encodings = TextEncodings();
    return encodings[input.ConsumeIntegralInRange<std::size_t>(0, encodings.size() - 1)];
}

inline GBuffer BufferOf(std::string const& bytes)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

inline std::string BytesOf(GBuffer const& buffer)
{
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()),
                       static_cast<std::size_t>(buffer.GetLength()));
}

// The composed UTF-16 form of a string, as bytes: what two texts are compared by.
inline std::string Composed(GString const& text)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    return BytesOf(GString(text.GetBuffer(unicode), unicode, true).GetBuffer(unicode));
}

// UTF-16 text from raw bytes (an odd last byte dropped), composed as strings made from outside
// text are.
inline GString TextOf(std::string const& bytes)
{
    GBuffer units = BufferOf(bytes);
    units.SetLength(units.GetLength() & ~1);
    return GString(units, GUnicodeEncoding::GetInstance(), true);
}

// Printable hexadecimal of bytes, for the report of a broken property.
inline std::string Hex(std::string const& bytes)
{
    static char const digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
    {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}
} // namespace fuzzsupport

namespace fuzzsupport
{
// The composed UTF-16 text as the encoding holds it: written in it and read back, which is the
// most any reader of that encoding can give (Shift-JIS reads the backslash as the yen sign, an
// encoding of the platform ends at a character it cannot hold).
inline GString HeldText(GString const& text, GEncoding const* encoding)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GString const composed(text.GetBuffer(unicode), unicode, true);
    return GString(composed.GetBuffer(encoding), encoding, true);
}

inline std::string HeldBy(GString const& text, GEncoding const* encoding)
{
    return Composed(HeldText(text, encoding));
}

// Whether the encoding holds the text completely. Where it does not, what a reader gets back also
// depends on the text around the lost characters (a single-byte table falls back on glyph names
// only where every character of the text has one), so escaped text may lose them differently.
inline bool HeldCompletely(GString const& text, GEncoding const* encoding)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer bytes;
    return GString(text.GetBuffer(unicode), unicode, true).GetBuffer(bytes, encoding) ==
           GEncodingResult::cComplete;
}

// The text with each line break written and read back as escapes do: CR, LF, CR LF and LF CR each
// become one carriage return.
inline GString WithEscapedLineEnds(GString const& text)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer const units = text.GetBuffer(unicode);
    GBuffer out;
    int const count = units.GetLength() / 2;
    for (int i = 0; i < count; ++i)
    {
        unsigned short const unit = GBuffer::ReadUnit(units.GetPtr(), i);
        unsigned short const next = i + 1 < count ? GBuffer::ReadUnit(units.GetPtr(), i + 1) : 0;
        if (unit == '\r' || unit == '\n')
        {
            if ((unit == '\r' && next == '\n') || (unit == '\n' && next == '\r'))
                ++i;
            out += static_cast<unsigned short>('\r');
        }
        else
            out += unit;
    }
    return GString(out, unicode, false);
}

// The text without the units given, composed again.
inline GString Without(GString const& text, std::u16string const& units)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer const in = text.GetBuffer(unicode);
    GBuffer out;
    for (int i = 0; i < in.GetLength() / 2; ++i)
    {
        unsigned short const unit = GBuffer::ReadUnit(in.GetPtr(), i);
        if (units.find(static_cast<char16_t>(unit)) == std::u16string::npos)
            out += unit;
    }
    return GString(out, unicode, true);
}
} // namespace fuzzsupport
