// One character code of an encoding as a short byte string. Codes of one to four bytes also read
// as unsigned integers; their bytes are kept most significant first, so byte order is numeric order.
#pragma once

#include <cstdint>

class GBuffer;

class GCharCode
{
public:
    // Up to this many bytes live in the object; longer codes take a block from GAllocator.
    static constexpr int cInlineLength = 11;
    // The length is one byte wide.
    static constexpr int cMaxLength = 255;

    GCharCode() : fLength(0), fBytes() {}
    GCharCode(unsigned char byte);
    GCharCode(unsigned short unit);
    GCharCode(unsigned int value, int length);
    // Codes longer than cMaxLength bytes are refused with GSimpleException 2462.
    GCharCode(unsigned char const* bytes, int length);
    GCharCode(GBuffer const& buffer);
    GCharCode(GCharCode const& other);
    GCharCode(GCharCode&& other) noexcept;
    ~GCharCode() { Release(); }

    GCharCode& operator=(GCharCode const& other);
    GCharCode& operator=(GCharCode&& other) noexcept;

    void Set(unsigned char byte);
    void Set(unsigned short unit);
    // The low length bytes of the value; a length outside 0 to 4 changes nothing.
    void Set(unsigned int value, int length);
    void SetWithMinLength(unsigned int value);
    void Set(unsigned char const* bytes, int length);
    void Set(GBuffer const& buffer);
    // From UTF-16 in the machine's byte order; every unit is then held most significant byte first.
    void SetUnicode(GBuffer const& buffer);
    void Clear();

    int GetLength() const { return fLength; }
    unsigned char const* Get() const { return fLength > cInlineLength ? GetBlock() : fBytes; }
    void Get(GBuffer& out) const;
    // The bytes as UTF-16 in the machine's byte order.
    void GetUnicode(GBuffer& out) const;

    operator unsigned char() const;
    operator unsigned short() const;
    operator unsigned int() const;
    int operator-(GCharCode const& other) const;
    unsigned int GetHash() const;

    GCharCode& operator+=(unsigned int n);

    friend bool operator==(GCharCode const& a, GCharCode const& b);
    friend bool operator<(GCharCode const& a, GCharCode const& b);
    friend bool operator!=(GCharCode const& a, GCharCode const& b) { return !(a == b); }
    friend bool operator>(GCharCode const& a, GCharCode const& b) { return b < a; }
    friend bool operator<=(GCharCode const& a, GCharCode const& b) { return !(b < a); }
    friend bool operator>=(GCharCode const& a, GCharCode const& b) { return !(a < b); }

private:
    unsigned char* GetBlock() const;
    void SetBlock(unsigned char* block);
    void Release();
    void StoreValue(std::uint32_t value, int length);
    std::uint32_t GetValue() const;

    // A code of more than cInlineLength bytes keeps its block pointer in place of the inline bytes.
    std::uint8_t fLength;
    unsigned char fBytes[cInlineLength];
};
