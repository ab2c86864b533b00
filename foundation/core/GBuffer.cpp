// The byte buffer: ownership, copy-on-write of borrowed bytes, growth, search, comparison and hash.
#include "GBuffer.h"

#include <algorithm>
#include <cstring>

#include "GAllocator.h"
#include "GCharCode.h"
#include "GMemoryException.h"

namespace
{
// What GetPtr and GetWritePtr hand out for a buffer without storage.
unsigned char sZeroBytes[2] = {0, 0};

// Every size is worked out in 64 bits: in 32 bits the growth of a buffer above about 1.6 GB
// wraps round and a too-small block would be written past its end.
std::uint32_t CheckedCapacity(std::uint64_t size)
{
    if (size > GBuffer::cMaxCapacity)
        throw GMemoryException();
    return static_cast<std::uint32_t>(size);
}

unsigned char* AllocBlock(std::uint32_t size)
{
    return static_cast<unsigned char*>(GAllocator::GetInstance()->Alloc(size));
}

// The block of an append: a third more than needed, at least 8 bytes.
std::uint32_t AppendCapacity(std::uint64_t need)
{
    std::uint64_t grown = need + need / 3;
    return CheckedCapacity(grown < 9 ? 8 : grown);
}

// The block that Allocate(n) makes: room for n bytes and the terminator, at least 8 bytes.
std::uint64_t AllocateCapacity(std::uint64_t n)
{
    return n < 7 ? 8 : n + 2;
}

bool UnitInSet(std::uint16_t unit, unsigned short const* set, int n)
{
    return std::find(set, set + n, unit) != set + n;
}
} // namespace

GBuffer const GBuffer::cEmptyBuffer;

GBuffer::GBuffer(GBuffer const& other) : GBuffer()
{
    *this = other;
}

GBuffer::GBuffer(char const* text) : GBuffer()
{
    *this = text;
}

GBuffer::GBuffer(unsigned char const* bytes, int len) : GBuffer()
{
    CopyByteArray(bytes, len, len);
}

GBuffer& GBuffer::operator=(GBuffer const& other)
{
    if (this == &other)
        return *this;
    if (other.fLength == 0)
        fLength = 0;
    else if (other.IsOwned())
        CopyByteArray(other.fData, other.fLength, static_cast<int>(other.GetCapacity()));
    else
    {
        ReleaseStorage();
        fData = other.fData;
        fLength = other.fLength;
        fCapacity = other.fCapacity;
    }
    return *this;
}

GBuffer& GBuffer::operator=(char const* text)
{
    if (!text)
    {
        fLength = 0;
        return *this;
    }
    std::size_t len = std::strlen(text);
    CopyByteArray(reinterpret_cast<unsigned char const*>(text), static_cast<int>(len),
                  static_cast<int>(len + 1));
    return *this;
}

void GBuffer::Set(unsigned char const* bytes, int len)
{
    CopyByteArray(bytes, len, len);
}

void GBuffer::Borrow(unsigned char const* bytes, int len, int extent)
{
    if (!bytes || len <= 0)
    {
        fLength = 0;
        return;
    }
    // The capacity word of borrowed bytes must cover the length, or an append would take them
    // for writable room.
    if (extent < len)
        extent = len;
    ReleaseStorage();
    fData = const_cast<unsigned char*>(bytes);
    fLength = len;
    fCapacity = static_cast<std::uint32_t>(extent);
}

void GBuffer::SetFromStatic(char const* text)
{
    if (!text)
    {
        fLength = 0;
        return;
    }
    std::size_t len = std::strlen(text);
    Borrow(reinterpret_cast<unsigned char const*>(text), static_cast<int>(len), static_cast<int>(len + 1));
}

void GBuffer::SetFromStatic(char const* text, int len, int extent)
{
    Borrow(reinterpret_cast<unsigned char const*>(text), len, extent);
}

void GBuffer::TakeByteArray(unsigned char const* bytes, int len, int extent)
{
    Borrow(bytes, len, extent);
}

void GBuffer::ReleaseStorage()
{
    if (IsOwned() && fData)
        GAllocator::GetInstance()->Free(fData, GetCapacity());
}

bool GBuffer::Holds(unsigned char const* p) const
{
    auto address = reinterpret_cast<std::uintptr_t>(p);
    auto begin = reinterpret_cast<std::uintptr_t>(fData);
    return fData && address >= begin && address < begin + GetCapacity();
}

void GBuffer::Reallocate(std::uint64_t blockSize) const
{
    std::uint32_t capacity = CheckedCapacity(blockSize);
    std::uint32_t keep = std::min<std::uint32_t>(static_cast<std::uint32_t>(fLength), capacity - 2);
    unsigned char* block;
    if (IsOwned() && fData)
        block = static_cast<unsigned char*>(GAllocator::GetInstance()->Resize(fData, GetCapacity(), capacity));
    else
    {
        block = AllocBlock(capacity);
        if (keep)
            std::memcpy(block, fData, keep);
    }
    fData = block;
    fCapacity = cOwnedFlag | capacity;
    fLength = static_cast<std::int32_t>(keep);
}

int GBuffer::CopyByteArray(unsigned char const* src, int len, int extent)
{
    if (!src || len <= 0)
    {
        fLength = 0;
        return 0;
    }
    std::uint64_t need = std::uint64_t(len) + 2;
    std::uint32_t capacity = CheckedCapacity(need);
    std::size_t count = std::min<std::uint64_t>(need, std::uint64_t(std::max(extent, len)));
    if (IsOwned() && GetCapacity() >= need)
        std::memmove(fData, src, count);
    else
    {
        // The new block is filled before the old one goes, in case src lies inside it.
        unsigned char* block = AllocBlock(capacity);
        std::memcpy(block, src, count);
        ReleaseStorage();
        fData = block;
        fCapacity = cOwnedFlag | capacity;
    }
    fLength = len;
    return len;
}

void GBuffer::Allocate(int n)
{
    if (n < 0 || GetCapacity() >= std::uint64_t(n) + 2)
        return;
    Reallocate(AllocateCapacity(std::uint64_t(n)));
}

void GBuffer::SetLength(int n)
{
    if (n < 0)
        n = 0;
    Allocate(n);
    fLength = n;
}

int GBuffer::GetAllocatedLength() const
{
    if (IsOwned())
        return static_cast<int>(GetCapacity()) - 2;
    return static_cast<int>(fCapacity);
}

unsigned char const* GBuffer::GetPtrOfBorrowed() const
{
    if (!fData)
        return sZeroBytes;
    if (!IsOwned())
    {
        if (GetCapacity() > static_cast<std::uint32_t>(fLength) && fData[fLength] == 0)
            return fData;
        Reallocate(std::uint64_t(fLength) + 2);
    }
    fData[fLength] = 0;
    fData[fLength + 1] = 0;
    return fData;
}

unsigned char* GBuffer::GetWritePtrOfBorrowed()
{
    if (!fData)
        return sZeroBytes;
    if (!IsOwned())
        Reallocate(std::uint64_t(fLength) + 2);
    fData[fLength] = 0;
    fData[fLength + 1] = 0;
    return fData;
}

int GBuffer::ReplaceByteArray(int pos, int count, unsigned char const* src, int srcLen)
{
    if (!src || srcLen < 0)
        srcLen = 0;
    std::int64_t result = std::int64_t(fLength) - count + srcLen;
    std::int64_t tail = std::int64_t(fLength) - pos - count;
    if (IsOwned() && GetCapacity() >= std::uint64_t(result) + 2)
    {
        // The tail move below would shift replacement bytes taken from this buffer itself.
        GBuffer own;
        if (srcLen && Holds(src))
        {
            own.Set(src, srcLen);
            src = own.fData;
        }
        if (tail > 0 && count != srcLen)
            std::memmove(fData + pos + srcLen, fData + pos + count, static_cast<std::size_t>(tail));
        if (srcLen)
            std::memcpy(fData + pos, src, static_cast<std::size_t>(srcLen));
    }
    else
    {
        std::uint64_t grown = std::uint64_t(result) + (std::uint64_t(result) + 2) / 3;
        std::uint32_t capacity = CheckedCapacity(grown < 7 ? 8 : grown + 2);
        unsigned char* block = AllocBlock(capacity);
        if (pos > 0)
            std::memcpy(block, fData, static_cast<std::size_t>(pos));
        if (srcLen)
            std::memcpy(block + pos, src, static_cast<std::size_t>(srcLen));
        if (tail > 0)
            std::memcpy(block + pos + srcLen, fData + pos + count, static_cast<std::size_t>(tail));
        ReleaseStorage();
        fData = block;
        fCapacity = cOwnedFlag | capacity;
    }
    fLength = static_cast<std::int32_t>(result);
    return fLength;
}

int GBuffer::Replace(int pos, int count, GBuffer const& other)
{
    return ReplaceByteArray(pos, count, other.fData, other.fLength);
}

int GBuffer::Remove(int pos, int count)
{
    return ReplaceByteArray(pos, count, nullptr, 0);
}

void GBuffer::AppendByteArray(unsigned char const* src, int len)
{
    if (!src || len <= 0)
        return;
    std::uint64_t need = std::uint64_t(fLength) + std::uint64_t(len) + 2;
    if (IsOwned() && GetCapacity() >= need)
        std::memmove(fData + fLength, src, static_cast<std::size_t>(len));
    else if (Holds(src))
    {
        // src lies in the old block, which therefore goes last.
        std::uint32_t capacity = AppendCapacity(need);
        unsigned char* block = AllocBlock(capacity);
        std::memcpy(block, fData, static_cast<std::size_t>(fLength));
        std::memcpy(block + fLength, src, static_cast<std::size_t>(len));
        ReleaseStorage();
        fData = block;
        fCapacity = cOwnedFlag | capacity;
    }
    else
    {
        Reallocate(AppendCapacity(need));
        std::memcpy(fData + fLength, src, static_cast<std::size_t>(len));
    }
    fLength += len;
}

GBuffer& GBuffer::operator+=(GBuffer const& other)
{
    AppendByteArray(other.fData, other.fLength);
    return *this;
}

GBuffer& GBuffer::operator+=(char const* text)
{
    if (text)
        AppendByteArray(reinterpret_cast<unsigned char const*>(text), static_cast<int>(std::strlen(text)));
    return *this;
}

void GBuffer::AppendByteSlow(unsigned char byte)
{
    std::uint64_t length = static_cast<std::uint32_t>(fLength);
    if (!IsOwned() || GetCapacity() < length + 3)
        Reallocate(AllocateCapacity(length + (length + 1) / 3 + 1));
    fData[fLength++] = byte;
}

GBuffer& GBuffer::operator+=(unsigned short unit)
{
    std::uint64_t length = static_cast<std::uint32_t>(fLength);
    if (!IsOwned() || GetCapacity() < length + 4)
        Reallocate(AllocateCapacity(length + (length + 2) / 3 + 2));
    std::memcpy(fData + fLength, &unit, sizeof unit);
    fLength += 2;
    return *this;
}

GBuffer& GBuffer::operator+=(GCharCode const& code)
{
    AppendByteArray(code.Get(), code.GetLength());
    return *this;
}

GBuffer operator+(GBuffer const& a, GBuffer const& b)
{
    GBuffer result(a);
    result += b;
    return result;
}

void GBuffer::GetSubBuffer(GBuffer& out, int pos, int len) const
{
    if (pos < 0 || pos >= fLength)
    {
        out.fLength = 0;
        return;
    }
    int available = fLength - pos;
    if (len < 0 || len > available)
        len = available;
    out.CopyByteArray(fData + pos, len, len);
}

GBuffer GBuffer::GetSubBuffer(int pos, int len) const
{
    GBuffer out;
    GetSubBuffer(out, pos, len);
    return out;
}

int GBuffer::FindSubBuffer(GBuffer const& pattern, int start, bool wide) const
{
    if (pattern.fLength == 0)
        return 0;
    if (fLength == 0)
        return -1;
    if (start < 0)
        start = 0;
    if (wide)
    {
        int units = fLength / 2;
        int last = (fLength - pattern.fLength) / 2;
        if (start >= units || fLength < pattern.fLength)
            return -1;
        for (int i = start; i <= last; ++i)
            if (std::memcmp(fData + 2 * i, pattern.fData, static_cast<std::size_t>(pattern.fLength)) == 0)
                return i;
        return -1;
    }
    if (start >= fLength)
        return -1;
    void const* found = memmem(fData + start, static_cast<std::size_t>(fLength - start), pattern.fData,
                               static_cast<std::size_t>(pattern.fLength));
    return found ? static_cast<int>(static_cast<unsigned char const*>(found) - fData) : -1;
}

bool GBuffer::FindAndReplace(int start, GBuffer const& find, GBuffer const& repl)
{
    // An empty pattern would be found at the same place for ever.
    if (find.fLength == 0)
        return false;
    int pos = FindSubBuffer(find, start, false);
    if (pos < 0)
        return false;
    // Built in one pass into a new buffer: the same result as replacing in place and searching on
    // just after each inserted replacement, without moving the tail once per occurrence.
    GBuffer result;
    result.Allocate(fLength);
    int done = 0;
    while (pos >= 0)
    {
        result.AppendByteArray(fData + done, pos - done);
        result.AppendByteArray(repl.fData, repl.fLength);
        done = pos + find.fLength;
        pos = FindSubBuffer(find, done, false);
    }
    result.AppendByteArray(fData + done, fLength - done);
    Swap(result);
    return true;
}

bool GBuffer::FindAndReplace(int start, unsigned char from, unsigned char to)
{
    int pos = FindFirstOccurrence(from, start);
    if (pos < 0)
        return false;
    if (from == to)
        return true;
    unsigned char* data = GetWritePtr();
    for (int i = pos; i < fLength; ++i)
        if (data[i] == from)
            data[i] = to;
    return true;
}

int GBuffer::FindFirstOccurrence(unsigned char byte, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= fLength)
        return -1;
    void const* found = std::memchr(fData + start, byte, static_cast<std::size_t>(fLength - start));
    return found ? static_cast<int>(static_cast<unsigned char const*>(found) - fData) : -1;
}

int GBuffer::FindFirstOccurrence(unsigned short unit, int start) const
{
    if (start < 0)
        start = 0;
    int units = fLength / 2;
    for (int i = start; i < units; ++i)
        if (ReadUnit(fData, i) == unit)
            return i;
    return -1;
}

int GBuffer::FindFirstOccurrence(unsigned char const* set, int n, int start) const
{
    if (start < 0)
        start = 0;
    if (!set || n <= 0 || start >= fLength)
        return -1;
    bool member[256] = {};
    for (int i = 0; i < n; ++i)
        member[set[i]] = true;
    for (int i = start; i < fLength; ++i)
        if (member[fData[i]])
            return i;
    return -1;
}

int GBuffer::FindFirstOccurrence(unsigned short const* set, int n, int start) const
{
    if (start < 0)
        start = 0;
    if (!set || n <= 0)
        return -1;
    int units = fLength / 2;
    for (int i = start; i < units; ++i)
        if (UnitInSet(ReadUnit(fData, i), set, n))
            return i;
    return -1;
}

int GBuffer::FindFirstNonOccurrence(unsigned char const* set, int n, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= fLength)
        return -1;
    if (!set || n < 1)
        return start;
    bool member[256] = {};
    for (int i = 0; i < n; ++i)
        member[set[i]] = true;
    for (int i = start; i < fLength; ++i)
        if (!member[fData[i]])
            return i;
    return -1;
}

int GBuffer::FindFirstNonOccurrence(unsigned short const* set, int n, int start) const
{
    if (start < 0)
        start = 0;
    int units = fLength / 2;
    if (start >= units)
        return -1;
    if (!set || n < 1)
        return start;
    for (int i = start; i < units; ++i)
        if (!UnitInSet(ReadUnit(fData, i), set, n))
            return i;
    return -1;
}

int GBuffer::FindLastOccurrence(unsigned char byte, int limit) const
{
    if (limit >= fLength)
        limit = fLength - 1;
    for (int i = limit; i >= 0; --i)
        if (fData[i] == byte)
            return i;
    return -1;
}

int GBuffer::FindLastOccurrence(unsigned short unit, int limit) const
{
    int units = fLength / 2;
    if (limit >= units)
        limit = units - 1;
    for (int i = limit; i >= 0; --i)
        if (ReadUnit(fData, i) == unit)
            return i;
    return -1;
}

int GBuffer::GetHash() const
{
    constexpr std::uint32_t m = 0x5bd1e995;
    constexpr int r = 24;
    std::uint32_t len = static_cast<std::uint32_t>(fLength);
    std::uint32_t h = len;
    unsigned char const* p = fData;
    while (len >= 4)
    {
        std::uint32_t k = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                          std::uint32_t(p[3]) << 24;
        k *= m;
        k ^= k >> r;
        k *= m;
        h *= m;
        h ^= k;
        p += 4;
        len -= 4;
    }
    switch (len)
    {
    case 3:
        h ^= std::uint32_t(p[2]) << 16;
        [[fallthrough]];
    case 2:
        h ^= std::uint32_t(p[1]) << 8;
        [[fallthrough]];
    case 1:
        h ^= p[0];
        h *= m;
    }
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return static_cast<int>(h);
}

bool operator==(GBuffer const& a, GBuffer const& b)
{
    return a.fLength == b.fLength &&
           (a.fLength == 0 || std::memcmp(a.fData, b.fData, static_cast<std::size_t>(a.fLength)) == 0);
}

bool operator<(GBuffer const& a, GBuffer const& b)
{
    int common = std::min(a.fLength, b.fLength);
    int order = common ? std::memcmp(a.fData, b.fData, static_cast<std::size_t>(common)) : 0;
    return order != 0 ? order < 0 : a.fLength < b.fLength;
}
