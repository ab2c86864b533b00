// The universal carrier of bytes: raw data, 8-bit and UTF-16 text. A buffer either owns its storage
// (from GAllocator) or borrows someone else's bytes, which it shares on copy and copies on first write.
#pragma once

#include <cstdint>

class GCharCode;

class GBuffer
{
public:
    // The high bit of the capacity word marks storage that is owned and came from GAllocator.
    static constexpr std::uint32_t cOwnedFlag = 0x80000000u;
    static constexpr std::uint32_t cCapacityMask = 0x7FFFFFFFu;
    static constexpr std::uint32_t cMaxCapacity = cCapacityMask;

    static GBuffer const cEmptyBuffer;

    constexpr GBuffer() : fData(nullptr), fLength(0), fCapacity(0) {}
    GBuffer(GBuffer const& other);
    GBuffer(GBuffer&& other) noexcept : fData(other.fData), fLength(other.fLength), fCapacity(other.fCapacity)
    {
        other.fData = nullptr;
        other.fLength = 0;
        other.fCapacity = 0;
    }
    GBuffer(char const* text);
    GBuffer(unsigned char const* bytes, int len);
    ~GBuffer()
    {
        if (fCapacity & cOwnedFlag)
            ReleaseStorage();
    }

    GBuffer& operator=(GBuffer const& other);
    // Takes over owned storage; otherwise the same as a copy, which then allocates nothing.
    GBuffer& operator=(GBuffer&& other) noexcept
    {
        if (other.IsOwned())
            Swap(other);
        else
            *this = static_cast<GBuffer const&>(other);
        return *this;
    }
    GBuffer& operator=(char const* text);
    void Set(unsigned char const* bytes, int len);

    // Borrowing: the bytes must outlive every buffer that shares them and are never written.
    void SetFromStatic(char const* text);
    // extent is how many bytes may be read at text; -1 means len.
    void SetFromStatic(char const* text, int len, int extent = -1);
    void TakeByteArray(unsigned char const* bytes, int len, int extent);

    void Swap(GBuffer& other) noexcept
    {
        unsigned char* data = fData;
        std::int32_t length = fLength;
        std::uint32_t capacity = fCapacity;
        fData = other.fData;
        fLength = other.fLength;
        fCapacity = other.fCapacity;
        other.fData = data;
        other.fLength = length;
        other.fCapacity = capacity;
    }

    // Storage.
    int CopyByteArray(unsigned char const* src, int len, int extent);
    void Allocate(int n);
    void SetLength(int n);
    int GetLength() const { return fLength; }
    bool IsEmpty() const { return fLength == 0; }
    bool IsOwned() const { return (fCapacity & cOwnedFlag) != 0; }
    int GetAllocatedLength() const;
    // Zero-terminated bytes (two zero bytes follow the data, so they read as 8- or 16-bit text).
    unsigned char const* GetPtr() const;
    unsigned char* GetWritePtr();

    // Editing. Positions are not checked: callers keep pos and count inside the data.
    int ReplaceByteArray(int pos, int count, unsigned char const* src, int srcLen);
    int Replace(int pos, int count, GBuffer const& other);
    int Remove(int pos, int count);
    void AppendByteArray(unsigned char const* src, int len);
    GBuffer& operator+=(GBuffer const& other);
    GBuffer& operator+=(char const* text);
    GBuffer& operator+=(unsigned char byte)
    {
        // Owned storage with room for the byte and the two terminator bytes. Borrowed and empty
        // buffers lack the owned bit and so always take the slow path.
        if (std::uint64_t(fCapacity) >= cOwnedFlag + std::uint64_t(fLength) + 3)
            fData[fLength++] = byte;
        else
            AppendByteSlow(byte);
        return *this;
    }
    // Plain characters would otherwise be ambiguous between the byte and the unit append.
    GBuffer& operator+=(char byte) { return *this += static_cast<unsigned char>(byte); }
    GBuffer& operator+=(unsigned short unit);
    GBuffer& operator+=(GCharCode const& code);

    GBuffer GetSubBuffer(int pos, int len) const;
    void GetSubBuffer(GBuffer& out, int pos, int len) const;

    // Searching: -1 when nothing is found, and for a start at or beyond the end. The wide forms
    // count positions in 16-bit units.
    int FindSubBuffer(GBuffer const& pattern, int start, bool wide) const;
    bool FindAndReplace(int start, GBuffer const& find, GBuffer const& repl);
    bool FindAndReplace(int start, unsigned char from, unsigned char to);
    int FindFirstOccurrence(unsigned char byte, int start) const;
    int FindFirstOccurrence(unsigned short unit, int start) const;
    int FindFirstOccurrence(unsigned char const* set, int n, int start) const;
    int FindFirstOccurrence(unsigned short const* set, int n, int start) const;
    int FindFirstNonOccurrence(unsigned char const* set, int n, int start) const;
    int FindFirstNonOccurrence(unsigned short const* set, int n, int start) const;
    // A limit at or beyond the end searches the whole buffer.
    int FindLastOccurrence(unsigned char byte, int limit) const;
    int FindLastOccurrence(unsigned short unit, int limit) const;

    // MurmurHash2 of the bytes with seed 0.
    int GetHash() const;

    friend bool operator==(GBuffer const& a, GBuffer const& b);
    friend bool operator<(GBuffer const& a, GBuffer const& b);
    friend bool operator!=(GBuffer const& a, GBuffer const& b) { return !(a == b); }
    friend bool operator>(GBuffer const& a, GBuffer const& b) { return b < a; }
    friend bool operator<=(GBuffer const& a, GBuffer const& b) { return !(b < a); }
    friend bool operator>=(GBuffer const& a, GBuffer const& b) { return !(a < b); }

private:
    std::uint32_t GetCapacity() const { return fCapacity & cCapacityMask; }
    void ReleaseStorage();
    void Reallocate(std::uint64_t blockSize) const;
    void AppendByteSlow(unsigned char byte);
    bool Holds(unsigned char const* p) const;
    void Borrow(unsigned char const* bytes, int len, int extent);

    // Mutable because reading may write the terminator or copy borrowed bytes (GetPtr).
    mutable unsigned char* fData;
    mutable std::int32_t fLength;
    mutable std::uint32_t fCapacity;
};

GBuffer operator+(GBuffer const& a, GBuffer const& b);
