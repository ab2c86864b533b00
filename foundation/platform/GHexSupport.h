// Conversions between bytes and hexadecimal text in buffers, over the hexadecimal streams.
#pragma once

class GBuffer;

class GHexSupport
{
public:
    GHexSupport() = delete;

    // Appends the lowercase digits of bytes to hex, two per byte, high nibble first.
    static void SetToHexBuffer(GBuffer const& bytes, GBuffer& hex);
    // Appends the bytes of the hexadecimal text to bytes: white space is passed over and ">" ends
    // the text. Throws GSimpleException 2452 on any other character that is no digit.
    static void SetFromHexBuffer(GBuffer const& hex, GBuffer& bytes);
    // Replaces bytes by the decoding of the first length digits, two per byte (an odd last digit is
    // dropped, and nothing past length is read). Never throws: a character that is no digit reads
    // as a nibble with every bit set (see GHexDecode::DecodeBytes). A decoded "t" or "n" after a
    // decoded backslash character (backslash, 0x80, 0xA5) joins it into a tab or the platform line
    // end; the decoded byte before counts, so backslash, backslash, "t" gives backslash and tab.
    static void SetFromHexArray(unsigned char const* hex, int length, GBuffer& bytes);
};
