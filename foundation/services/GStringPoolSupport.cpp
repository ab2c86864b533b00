// Registration of built-in string tables into the string pool, and the encoding names they use.
#include "GStringPoolSupport.h"

#include <cstring>

#include "GBuffer.h"
#include "GBufferSupport.h"
#include "GMacRomanEncoding.h"
#include "GPlatformEncoding.h"
#include "GShiftJISEncoding.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolTable.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
// "Invalid value passed a parameter".
constexpr int cInvalidParameter = 40017;

constexpr unsigned char cCR = 13;

struct EncodingName
{
    char const* fName;
    GEncoding* (*fGetInstance)();
};

EncodingName const cEncodingNames[] = {
    {"WinAnsiEncoding", []() -> GEncoding* { return GWinAnsiEncoding::GetInstance(); }},
    {"MacRomanEncoding", []() -> GEncoding* { return GMacRomanEncoding::GetInstance(); }},
    {"UnicodeEncoding", []() -> GEncoding* { return GUnicodeEncoding::GetInstance(); }},
    {"ShiftJISEncoding", []() -> GEncoding* { return GShiftJISEncoding::GetInstance(); }},
    {"UTF8Encoding", []() -> GEncoding* { return GUTF8Encoding::GetInstance(); }},
};

// The nibble of a hexadecimal digit; any other character reads as all bits set, so that as the
// first digit of a pair it gives the high nibble F and as the second the whole byte FF.
int HexNibble(unsigned char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    return -1;
}

// Two digits per byte; a digit without partner at the end is dropped. A decoded "t" or "n" after a
// backslash character (backslash, 0x80 or the yen sign 0xA5) joins it into a tab or a line end.
// The preceding byte is always the decoded one, so backslash, backslash, t gives backslash and tab.
void DecodeHexText(unsigned char const* hex, int length, GBuffer& bytes)
{
    int count = length / 2;
    bytes.SetLength(count);
    unsigned char* out = bytes.GetWritePtr();
    int written = 0;
    unsigned char previous = 0;
    for (int i = 0; i < count; ++i)
    {
        unsigned high = static_cast<unsigned>(HexNibble(hex[2 * i]));
        unsigned low = static_cast<unsigned>(HexNibble(hex[2 * i + 1]));
        unsigned char byte = static_cast<unsigned char>(high << 4 | low);
        if (i > 0 && GBufferSupport::IsBackSlashCharacter(previous) && (byte == 't' || byte == 'n'))
            out[written - 1] = byte == 't' ? 9 : cCR;
        else
            out[written++] = byte;
        previous = byte;
    }
    bytes.SetLength(written);
}
} // namespace

GEncoding* GStringPoolSupport::GetEncoding(GBuffer const& name)
{
    for (EncodingName const& entry : cEncodingNames)
    {
        if (name == GBuffer::FromStatic(entry.fName))
            return entry.fGetInstance();
    }
    return nullptr;
}

void GStringPoolSupport::AddStringPoolData(GBuffer const& language, char const* encodingName,
                                           GStringPoolDataStruct* rows, int count, bool hex)
{
    GEncoding* encoding = encodingName ? GetEncoding(GBuffer::FromStatic(encodingName)) : nullptr;
    // Without the encoding the bytes cannot be read; registering nothing silently would hide the
    // whole table.
    if (!encoding)
        throw GSimpleException(cInvalidParameter);

    GStringPoolTable* table = GStringPool::GetTable(GString(language, encoding, false));
    bool wide = encoding == GUnicodeEncoding::GetInstance();
    std::int32_t previous = -1;
    GBuffer bytes;
    for (int i = 0; i < count; ++i)
    {
        std::int32_t id = rows[i].fID == -1 ? previous + 1 : rows[i].fID;
        previous = id;
        // A built-in row never replaces an entry, so an id already present costs no conversion.
        if (table->FindStringForID(id))
            continue;
        // A missing text is empty; two zero bytes end it in UTF-16 too.
        char const* row = rows[i].fText ? rows[i].fText : "\0";
        unsigned char const* text = reinterpret_cast<unsigned char const*>(row);
        if (hex)
            DecodeHexText(text, int(std::strlen(row)), bytes);
        else
        {
            bytes.Set(text, encoding->GetLength(text));
            if (wide)
                GBufferSupport::UniPlatformLineEndings(bytes);
            else
                GBufferSupport::ASCIIPlatformLineEndings(bytes);
        }
        table->SetDefaultString(id, GString(bytes, encoding, true), encoding);
    }
}

void GStringPoolSupport::ReadDefaultStringFile(GString const&)
{
    // No default string-file folder can be stored yet, so there is nothing to read.
}

void GStringPoolSupport::GetDefaultAvailableLanguages(GTable<GString>& out)
{
    out.Resize(0);
}
