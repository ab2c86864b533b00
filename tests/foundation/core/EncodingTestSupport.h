// Small helpers of the encoding tests: bytes and UTF-16 units in and out of buffers, so that a case
// can be written as the bytes it expects.
#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BufferText.h"
#include "GBuffer.h"
#include "GCharCode.h"

namespace encodingtest
{
using Bytes = std::vector<unsigned char>;
using Units = std::vector<std::uint16_t>;

inline GBuffer BufferOf(Bytes const& bytes)
{
    return GBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

// UTF-16 in the machine's byte order, as the framework keeps it.
inline GBuffer BufferOf(Units const& units)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(2 * units.size()));
}

inline Bytes BytesOf(GBuffer const& buffer)
{
    unsigned char const* p = buffer.GetPtr();
    return Bytes(p, p + buffer.GetLength());
}

// An odd trailing byte is dropped, as every conversion does.
inline Units UnitsOf(GBuffer const& buffer)
{
    Units units(static_cast<std::size_t>(buffer.GetLength() / 2));
    if (!units.empty())
        std::memcpy(units.data(), buffer.GetPtr(), 2 * units.size());
    return units;
}

inline Bytes BytesOf(GCharCode const& code)
{
    return Bytes(code.Get(), code.Get() + code.GetLength());
}

inline GCharCode CodeOf(Bytes const& bytes)
{
    return GCharCode(bytes.data(), static_cast<int>(bytes.size()));
}

inline GBuffer Name(char const* text)
{
    return GBuffer(text);
}

// Zero bytes reserved by the kernel without being touched, for buffers too long to convert: their
// length is refused before the bytes are read.
class ZeroPages
{
public:
    explicit ZeroPages(std::size_t size)
        : fSize(size),
          fData(mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))
    {
    }
    ~ZeroPages()
    {
        if (fData != MAP_FAILED)
            munmap(fData, fSize);
    }
    ZeroPages(ZeroPages const&) = delete;
    ZeroPages& operator=(ZeroPages const&) = delete;

    bool IsValid() const { return fData != MAP_FAILED; }
    // A buffer borrowing the first length bytes; the zero byte after them ends the text.
    GBuffer Borrow(int length) const
    {
        GBuffer buffer;
        buffer.SetFromStatic(static_cast<char const*>(fData), length, length + 1);
        return buffer;
    }

private:
    std::size_t fSize;
    void* fData;
};

using testsupport::TextOf;

} // namespace encodingtest
