// One character code of an encoding as a short byte string.
#include "GCharCode.h"

#include <cstring>
#include <utility>

#include "GAllocator.h"
#include "GBuffer.h"
#include "GBufferSupport.h"
#include "GSimpleException.h"
#include "PSystem.h"

namespace
{
constexpr int cInvalidDataToEncodeID = 2462;
}

GCharCode::GCharCode(unsigned char byte) : GCharCode()
{
    Set(byte);
}

GCharCode::GCharCode(unsigned short unit) : GCharCode()
{
    Set(unit);
}

GCharCode::GCharCode(unsigned int value, int length) : GCharCode()
{
    Set(value, length);
}

GCharCode::GCharCode(unsigned char const* bytes, int length) : GCharCode()
{
    Set(bytes, length);
}

GCharCode::GCharCode(GBuffer const& buffer) : GCharCode()
{
    Set(buffer);
}

GCharCode::GCharCode(GCharCode const& other) : GCharCode()
{
    Set(other.Get(), other.fLength);
}

GCharCode::GCharCode(GCharCode&& other) noexcept : fLength(other.fLength)
{
    std::memcpy(fBytes, other.fBytes, sizeof fBytes);
    other.fLength = 0;
}

GCharCode& GCharCode::operator=(GCharCode const& other)
{
    if (this != &other)
        Set(other.Get(), other.fLength);
    return *this;
}

GCharCode& GCharCode::operator=(GCharCode&& other) noexcept
{
    if (this != &other)
    {
        Release();
        fLength = other.fLength;
        std::memcpy(fBytes, other.fBytes, sizeof fBytes);
        other.fLength = 0;
    }
    return *this;
}

unsigned char* GCharCode::GetBlock() const
{
    unsigned char* block;
    std::memcpy(&block, fBytes, sizeof block);
    return block;
}

void GCharCode::SetBlock(unsigned char* block)
{
    std::memcpy(fBytes, &block, sizeof block);
}

void GCharCode::Release()
{
    if (fLength > cInlineLength)
        GAllocator::GetInstance()->Free(GetBlock(), fLength);
    fLength = 0;
}

void GCharCode::Clear()
{
    Release();
}

void GCharCode::Set(unsigned char byte)
{
    Release();
    fBytes[0] = byte;
    fLength = 1;
}

void GCharCode::Set(unsigned short unit)
{
    StoreValue(unit, 2);
}

void GCharCode::Set(unsigned int value, int length)
{
    StoreValue(value, length);
}

void GCharCode::SetWithMinLength(unsigned int value)
{
    int length = value < 0x100u ? 1 : value < 0x10000u ? 2 : value < 0x1000000u ? 3 : 4;
    StoreValue(value, length);
}

void GCharCode::StoreValue(std::uint32_t value, int length)
{
    if (length < 0 || length > 4)
        return;
    Release();
    bool leastFirst = PSystem::GetMachineByteOrder() == 1;
    for (int i = 0; i < length; ++i)
    {
        int shift = 8 * (leastFirst ? i : length - 1 - i);
        fBytes[i] = static_cast<unsigned char>(value >> shift);
    }
    fLength = static_cast<std::uint8_t>(length);
}

void GCharCode::Set(unsigned char const* bytes, int length)
{
    if (!bytes || length < 1)
    {
        Release();
        return;
    }
    // The length is one byte; a longer code would be cut short and its block freed with the
    // wrong size, so it is refused before anything changes.
    if (length > cMaxLength)
        throw GSimpleException(cInvalidDataToEncodeID);
    // The bytes may be this code's own, so they are copied before the old block goes.
    if (length > cInlineLength)
    {
        auto* block = static_cast<unsigned char*>(GAllocator::GetInstance()->Alloc(length));
        std::memcpy(block, bytes, static_cast<std::size_t>(length));
        Release();
        SetBlock(block);
    }
    else
    {
        unsigned char copy[cInlineLength];
        std::memcpy(copy, bytes, static_cast<std::size_t>(length));
        Release();
        std::memcpy(fBytes, copy, static_cast<std::size_t>(length));
    }
    fLength = static_cast<std::uint8_t>(length);
}

void GCharCode::Set(GBuffer const& buffer)
{
    Set(buffer.GetLength() ? buffer.GetPtr() : nullptr, buffer.GetLength());
}

void GCharCode::SetUnicode(GBuffer const& buffer)
{
    GBuffer swapped(buffer);
    GBufferSupport::SwapBigEndian(swapped);
    Set(swapped);
}

void GCharCode::Get(GBuffer& out) const
{
    out.Set(Get(), fLength);
}

void GCharCode::GetUnicode(GBuffer& out) const
{
    Get(out);
    if (PSystem::GetMachineByteOrder() != 1)
        GBufferSupport::SwapUnicodeBytes(out);
}

std::uint32_t GCharCode::GetValue() const
{
    std::uint32_t value = 0;
    for (int i = 0; i < fLength; ++i)
        value = value << 8 | fBytes[i];
    return value;
}

GCharCode::operator unsigned char() const
{
    return fLength == 1 ? fBytes[0] : 0;
}

GCharCode::operator unsigned short() const
{
    return fLength == 1 || fLength == 2 ? static_cast<unsigned short>(GetValue()) : 0;
}

GCharCode::operator unsigned int() const
{
    return fLength >= 1 && fLength <= 4 ? GetValue() : 0;
}

int GCharCode::operator-(GCharCode const& other) const
{
    return static_cast<int>(static_cast<unsigned int>(*this) - static_cast<unsigned int>(other));
}

unsigned int GCharCode::GetHash() const
{
    if (fLength <= 4)
        return GetValue();
    GBuffer bytes;
    bytes.TakeByteArray(Get(), fLength, fLength);
    return static_cast<unsigned int>(bytes.GetHash());
}

GCharCode& GCharCode::operator+=(unsigned int n)
{
    if (n == 0 || fLength == 0)
        return *this;
    if (fLength <= 4)
    {
        StoreValue(GetValue() + n, fLength);
        return *this;
    }
    // Adding n at once gives the same bytes as counting up n times, carry out of the first byte
    // dropped, without n steps.
    unsigned char* bytes = fLength > cInlineLength ? GetBlock() : fBytes;
    std::uint64_t carry = n;
    for (int i = fLength - 1; i >= 0 && carry; --i)
    {
        carry += bytes[i];
        bytes[i] = static_cast<unsigned char>(carry);
        carry >>= 8;
    }
    return *this;
}

bool operator==(GCharCode const& a, GCharCode const& b)
{
    return a.fLength == b.fLength && std::memcmp(a.Get(), b.Get(), a.fLength) == 0;
}

bool operator<(GCharCode const& a, GCharCode const& b)
{
    if (a.fLength != b.fLength)
        return a.fLength < b.fLength;
    return std::memcmp(a.Get(), b.Get(), a.fLength) < 0;
}
