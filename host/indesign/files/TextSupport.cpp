// UTF-8 sequences and the date the file engines write.
#include "TextSupport.h"

#include <cstdint>
#include <ctime>

namespace indesignhost
{
std::size_t Utf8SequenceLength(std::string const& text, std::size_t at)
{
    if (at >= text.size())
        return 0;
    unsigned char const c = static_cast<unsigned char>(text[at]);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if ((c & 0xE0) == 0xC0)
        length = 2, code = c & 0x1F;
    else if ((c & 0xF0) == 0xE0)
        length = 3, code = c & 0x0F;
    else if ((c & 0xF8) == 0xF0)
        length = 4, code = c & 0x07;
    bool good = length > 0 && length <= text.size() - at;
    for (std::size_t k = 1; good && k < length; ++k)
    {
        unsigned char const next = static_cast<unsigned char>(text[at + k]);
        good = (next & 0xC0) == 0x80;
        code = (code << 6) | (next & 0x3F);
    }
    static std::uint32_t const cSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    good = good && code >= cSmallest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    return good ? length : 0;
}

std::string DateNow()
{
    std::time_t const now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}
} // namespace indesignhost
