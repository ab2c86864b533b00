// Byte buffers to and from std::string, so that a test case can be written as the bytes it expects.
#pragma once

#include <string>

#include "GBuffer.h"

namespace testsupport
{
inline std::string TextOf(GBuffer const& buffer)
{
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()),
                       static_cast<std::size_t>(buffer.GetLength()));
}

// Every byte of the text, zero bytes included.
inline GBuffer BufferOf(std::string const& text)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
}
} // namespace testsupport
