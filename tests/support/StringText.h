// Framework strings to and from UTF-8 std::string, so that a test case can be written as plain text.
#pragma once

#include <string>

#include "GString.h"
#include "GUTF8Encoding.h"

namespace testsupport
{
inline std::string Utf8Of(GString const& text)
{
    GBuffer const bytes = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()),
                       static_cast<std::size_t>(bytes.GetLength()));
}

// The UTF-8 text as a UTF-16 string, its characters as they are (nothing composed).
inline GString TextOf(std::string const& utf8)
{
    return GString(reinterpret_cast<unsigned char const*>(utf8.data()), static_cast<int>(utf8.size()),
                   GUTF8Encoding::GetInstance(), false);
}
} // namespace testsupport
