// The host's text.
#include "PMString.h"

#include <cstring>

#include "macos/CFStringStandIn.h"

namespace
{
constexpr char16_t cReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& units, char32_t code)
{
    if (code < 0x10000)
    {
        units.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

// Each byte that does not begin a well-formed sequence stands for one U+FFFD.
std::u16string FromUTF8(unsigned char const* bytes, std::size_t count)
{
    std::u16string units;
    units.reserve(count);
    for (std::size_t i = 0; i < count;)
    {
        unsigned char const lead = bytes[i];
        int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= count;
        for (int k = 1; valid && k < length; ++k)
        {
            unsigned char const next = bytes[i + static_cast<std::size_t>(k)];
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        char32_t const smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        if (!valid)
        {
            units.push_back(cReplacement);
            ++i;
            continue;
        }
        AppendCodePoint(units, code);
        i += static_cast<std::size_t>(length);
    }
    return units;
}

std::u16string FromMacRoman(unsigned char const* bytes, std::size_t count)
{
    CFStringRef const text = CFStringCreateWithBytes(nullptr, bytes, static_cast<CFIndex>(count),
                                                     kCFStringEncodingMacRoman, false);
    if (!text)
        return std::u16string(count, cReplacement);
    std::u16string units(static_cast<std::size_t>(CFStringGetLength(text)), u'\0');
    CFIndex written = 0;
    CFStringGetBytes(text, CFRangeMake(0, static_cast<CFIndex>(units.size())), kCFStringEncodingUnicode, 0,
                     false, reinterpret_cast<UInt8*>(units.data()), static_cast<CFIndex>(units.size() * 2),
                     &written);
    CFRelease(text);
    return units;
}
} // namespace

PMString::PMString(char const* utf8)
{
    if (utf8)
        fUnits = FromUTF8(reinterpret_cast<unsigned char const*>(utf8), std::strlen(utf8));
}

void PMString::ReadPlatformWriteUnicode(char const* bytes, int32 byteCount, int32 encoding)
{
    fTranslatable = kTrue;
    fUnits.clear();
    if (!bytes || byteCount <= 0)
        return;
    auto const* const data = reinterpret_cast<unsigned char const*>(bytes);
    std::size_t const count = static_cast<std::size_t>(byteCount);
    switch (encoding)
    {
    case kEncodingUTF8:
        fUnits = FromUTF8(data, count);
        return;
    case kEncodingMacRoman:
        fUnits = FromMacRoman(data, count);
        return;
    case kEncodingLatin1:
        fUnits.assign(data, data + count);
        return;
    default:
        for (std::size_t i = 0; i < count; ++i)
            fUnits.push_back(data[i] < 0x80 ? data[i] : cReplacement);
        return;
    }
}

std::string PMString::GetUTF8() const
{
    std::string bytes;
    for (std::size_t i = 0; i < fUnits.size(); ++i)
    {
        char32_t code = fUnits[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < fUnits.size() && fUnits[i + 1] >= 0xDC00 &&
            fUnits[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (fUnits[++i] - 0xDC00);
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = cReplacement;
        if (code < 0x80)
            bytes.push_back(static_cast<char>(code));
        else if (code < 0x800)
        {
            bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        else if (code < 0x10000)
        {
            bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        else
        {
            bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return bytes;
}
