// The universal carrier of bytes: raw data, 8-bit and UTF-16 text. A buffer either owns its storage
// (from GAllocator) or borrows someone else's bytes, which it shares on copy and copies on first write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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
    // Decimal text of a number (GBufferNumbers.cpp). Explicit, so that a number never turns into
    // a buffer unasked where a function takes one.
    explicit GBuffer(int value) : GBuffer() { Set(value); }
    explicit GBuffer(unsigned int value) : GBuffer() { Set(value); }
    explicit GBuffer(long long value);
    explicit GBuffer(unsigned long long value);
    explicit GBuffer(double value) : GBuffer() { Set(value); }
    GBuffer(double value, GBuffer const& format) : GBuffer() { Set(value, format); }
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

    // Number text. Every writer replaces the contents with an owned copy of the text; the text
    // never depends on the process's locale, and the decimal separator is always ".".
    void Set(int value);
    void Set(unsigned int value);
    // "%.*d": at least `precision` digits, padded with zeros (at most 1,031 characters); a
    // negative precision counts as none, and 0 with precision 0 gives an empty text.
    void Set(int value, int precision);
    // Plain decimal, six fractional digits rounded half up, trailing zeros and a bare point
    // removed: 12.0 -> "12", 2.0000005 -> "2.000001", -0.0 -> "0", 1e20 in full; "nan", "inf".
    void Set(double value);
    // As Set(double) with `precision` fractional digits, clamped to 0..16 (negative means 16).
    void SetWithPrecision(double value, int precision);
    // Fifteen fractional digits; a value of at least 100,000 or below 0.001 is written as a
    // mantissa from 1 to 10 and a two-digit exponent without "+": 123456.0 -> "1.23456e05",
    // 0.00012 -> "1.2e-04".
    void SetWithHighPrecision(double value);
    // The value through a printf format holding exactly one floating-point conversion (%f %F %e
    // %E %g %G %a %A with flags from "-+ #0", a width and a precision written as digits of at most
    // 1,023, no length modifier, no "*") among literal text and "%%"; the text is formatted as in
    // the C locale and cut at 1,023 characters. When the text ends in a fraction (its last "." is
    // followed by digits only), trailing zeros and then a bare point are removed, so "%f" gives
    // 1.5 -> "1.5" and 3.0 -> "3"; an exponent is never touched. Any other format, the empty one
    // included, gives an empty text: a caller's format never reaches printf unchecked.
    void Set(double value, GBuffer const& format);

    // Number readers; each makes the buffer zero-terminated first, as GetPtr does.
    // atol: white space as the C locale has it, a sign, digits; saturated to 64 bits, then cut
    // to the low 32.
    int GetInt32() const;
    // Skips white space (8, 9, 10, 11, 13, 32), takes one sign and the digits modulo 2^32,
    // negating after "-": "  -1" -> 4294967295, "12abc" -> 12, "abc" -> 0.
    unsigned int GetUInt32() const;
    // As GetUInt32, modulo 2^64.
    long long GetInt64() const;
    // A real number at the very start (no white space skipped): sign, digits with an optional
    // fraction, optional exponent, or nan / inf / infinity in any case; 0.0 when there is none.
    // Out of range gives an infinity or a zero of the text's sign.
    double GetReal() const;

    // Borrowing: the bytes must outlive every buffer that shares them and are never written.
    void SetFromStatic(char const* text);
    // extent is how many bytes may be read at text; -1 means len.
    void SetFromStatic(char const* text, int len, int extent = -1);
    void TakeByteArray(unsigned char const* bytes, int len, int extent);
    // A buffer borrowing a static zero-terminated text: no allocation, so it may be a static itself.
    static GBuffer FromStatic(char const* text)
    {
        GBuffer buffer;
        buffer.SetFromStatic(text);
        return buffer;
    }

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
    unsigned char const* GetPtr() const
    {
        // Owned bytes always have room for the two terminating zeros.
        if (fData && IsOwned())
        {
            fData[fLength] = 0;
            fData[fLength + 1] = 0;
            return fData;
        }
        return GetPtrOfBorrowed();
    }
    unsigned char* GetWritePtr()
    {
        if (fData && IsOwned())
        {
            fData[fLength] = 0;
            fData[fLength + 1] = 0;
            return fData;
        }
        return GetWritePtrOfBorrowed();
    }

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

    // The 16-bit unit at unit index `index` of UTF-16 bytes in the machine's byte order. The bytes
    // need not be 2-aligned: borrowed bytes may lie anywhere.
    static unsigned short ReadUnit(unsigned char const* bytes, int index)
    {
        unsigned short unit;
        std::memcpy(&unit, bytes + 2 * std::ptrdiff_t(index), sizeof unit);
        return unit;
    }
    static void WriteUnit(unsigned char* bytes, int index, unsigned short unit)
    {
        std::memcpy(bytes + 2 * std::ptrdiff_t(index), &unit, sizeof unit);
    }

    friend bool operator==(GBuffer const& a, GBuffer const& b);
    friend bool operator<(GBuffer const& a, GBuffer const& b);
    friend bool operator!=(GBuffer const& a, GBuffer const& b) { return !(a == b); }
    friend bool operator>(GBuffer const& a, GBuffer const& b) { return b < a; }
    friend bool operator<=(GBuffer const& a, GBuffer const& b) { return !(b < a); }
    friend bool operator>=(GBuffer const& a, GBuffer const& b) { return !(a < b); }

private:
    std::uint32_t GetCapacity() const { return fCapacity & cCapacityMask; }
    void ReleaseStorage();
    // GetPtr and GetWritePtr of an empty buffer or of borrowed bytes.
    unsigned char const* GetPtrOfBorrowed() const;
    unsigned char* GetWritePtrOfBorrowed();
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
