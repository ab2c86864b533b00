// The standard-string bridge, with its own strict UTF-8 decoder for wide strings.
#include "GStdSupport.h"

#include <cstring>
#include <stdexcept>

#include "GMemoryException.h"
#include "GStringPool.h"
#include "GUTF8Encoding.h"

namespace
{
static_assert(sizeof(wchar_t) == 4, "wide strings hold one code point per character");

char const* const cFromBytesError = "wstring_convert: from_bytes error";

[[noreturn]] void ThrowMalformed()
{
    throw std::range_error(cFromBytesError);
}

// A buffer's length is a signed 32-bit number and its storage keeps two bytes for the terminator.
int CheckedLength(std::string const& text)
{
    if (text.size() > GBuffer::cMaxCapacity - 2)
        throw GMemoryException();
    return static_cast<int>(text.size());
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes strictly, as RFC 3629 has it: the lead byte fixes the length and the range the second
// byte may take, which rules out overlong forms, surrogates and values above U+10FFFF at once.
std::wstring DecodeUTF8(unsigned char const* bytes, std::size_t length)
{
    std::wstring out;
    out.reserve(length);
    std::size_t i = 0;
    while (i < length)
    {
        unsigned char const lead = bytes[i];
        if (lead < 0x80)
        {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        int trail;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        char32_t value;
        if (lead >= 0xC2 && lead <= 0xDF)
        {
            trail = 1;
            value = lead & 0x1F;
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            trail = 2;
            value = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            trail = 3;
            value = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        else
            ThrowMalformed();
        if (length - i - 1 < std::size_t(trail))
            ThrowMalformed();
        unsigned char const second = bytes[i + 1];
        if (second < low || second > high)
            ThrowMalformed();
        for (int k = 1; k <= trail; ++k)
        {
            unsigned char const byte = bytes[i + std::size_t(k)];
            if (!IsContinuation(byte))
                ThrowMalformed();
            value = (value << 6) | (byte & 0x3F);
        }
        out.push_back(static_cast<wchar_t>(value));
        i += 1 + std::size_t(trail);
    }
    return out;
}
} // namespace

GBuffer GStdSupport::ToGBuffer(std::string const& text)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), CheckedLength(text));
}

std::string GStdSupport::ToStdString(GBuffer const& bytes)
{
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
}

std::wstring GStdSupport::ToStdWString(GBuffer const& utf8)
{
    unsigned char const* bytes = utf8.GetPtr();
    std::size_t const length = std::size_t(utf8.GetLength());
    void const* zero = std::memchr(bytes, 0, length);
    return DecodeUTF8(bytes, zero ? std::size_t(static_cast<unsigned char const*>(zero) - bytes) : length);
}

GString GStdSupport::ToGString(std::string const& bytes, GEncoding const* encoding)
{
    return GString(reinterpret_cast<unsigned char const*>(bytes.data()), CheckedLength(bytes), encoding,
                   true);
}

void GStdSupport::ToGString(std::string const& bytes, GEncoding const* encoding, GString& out)
{
    out.Set(reinterpret_cast<unsigned char const*>(bytes.data()), CheckedLength(bytes), encoding, true);
}

std::string GStdSupport::ToStdString(GString const& text, GEncoding const* encoding)
{
    return ToStdString(text.GetBuffer(encoding));
}

std::string GStdSupport::StringIDToStdString(int id)
{
    return ToStdString(GStringPool::GetString(id).GetBuffer(GUTF8Encoding::GetInstance()));
}

std::wstring GStdSupport::ToStdWString(GString const& text)
{
    return ToStdWString(text.GetBuffer(GUTF8Encoding::GetInstance()));
}
