// Shortcut texts and the key and modifier bits they stand for.
#include "ShortcutText.h"

#include <vector>

#include "IShortcutManager.h"

namespace indesignhost
{
namespace
{
struct Modifier
{
    char const* name;
    int32 bit;
};

// In the order a shortcut's text lists them.
constexpr Modifier cModifiers[] = {
    {"Cmd", IShortcutManager::kCommand},
    {"Opt", IShortcutManager::kOption},
    {"Shift", IShortcutManager::kShift},
    {"Ctrl", IShortcutManager::kControl},
};

bool ReadKey(std::string const& text, int32& key)
{
    if (text.size() == 1)
    {
        char const c = text[0];
        if (c >= 'a' && c <= 'z')
            key = c - 'a' + 'A';
        else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            key = c;
        else
            return false;
        return true;
    }
    if (text.size() < 2 || text.size() > 3 || text[0] != 'F' ||
        text.find_first_not_of("0123456789", 1) != std::string::npos || text[1] == '0')
        return false;
    int const number = std::stoi(text.substr(1));
    if (number < 1 || number > 15)
        return false;
    key = cFunctionKeyBase + number;
    return true;
}
} // namespace

bool ParseShortcut(std::string const& text, int32& key, int32& modifiers)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true)
    {
        std::size_t const plus = text.find('+', start);
        parts.push_back(text.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
        if (plus == std::string::npos)
            break;
        start = plus + 1;
    }
    int32 bits = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
    {
        int32 bit = 0;
        for (Modifier const& modifier : cModifiers)
            if (parts[i] == modifier.name)
                bit = modifier.bit;
        if (bit == 0 || (bits & bit) != 0)
            return false;
        bits |= bit;
    }
    int32 read = 0;
    if (!ReadKey(parts.back(), read))
        return false;
    key = read;
    modifiers = bits;
    return true;
}

std::string ShortcutText(int32 key, int32 modifiers)
{
    std::string text;
    for (Modifier const& modifier : cModifiers)
        if ((modifiers & modifier.bit) != 0)
            text += std::string(modifier.name) + "+";
    if (key > cFunctionKeyBase && key <= cFunctionKeyBase + 15)
        return text + "F" + std::to_string(key - cFunctionKeyBase);
    if (key > 0 && key < 0x80)
        return text + static_cast<char>(key);
    return text + "#" + std::to_string(key);
}
} // namespace indesignhost
