// The bytes that start a character of two bytes in an 8-bit encoding of the platform (Shift-JIS,
// the Chinese code page), so that quoted text is escaped and unescaped character by character: the
// second byte of such a character may be the byte of a quote or a backslash ("表" is 95 5C in
// Shift-JIS).
#pragma once

#include <cstdint>

class GEncoding;

class GLeadByteSet
{
public:
    // The set of an encoding of the platform, learnt once per process and encoding by converting
    // every byte above 0x7F alone: one that is no character by itself starts one of two bytes
    // (the encodings of the platform take at most two bytes where a later byte can be below 0x80).
    // Every other encoding (the single-byte tables, UTF-8, UTF-16) and null have none.
    explicit GLeadByteSet(GEncoding const* encoding = nullptr);

    bool IsEmpty() const { return fEmpty; }
    bool Contains(unsigned char byte) const { return (fBits[byte >> 6] >> (byte & 63)) & 1; }
    // Whether the byte can be the second of a character: never below 0x40 in these encodings, so
    // a lead byte before a quote, a blank or a line end (broken text) is a character of its own.
    static bool CanFollow(unsigned char byte) { return byte >= 0x40; }

private:
    std::uint64_t fBits[4];
    bool fEmpty;
};
