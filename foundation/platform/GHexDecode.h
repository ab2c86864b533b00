// Delivers hexadecimal text read from another input stream as bytes. White space is passed over,
// ">" ends the data, and any other character is an error.
#pragma once

#include "GInStream.h"

class GHexDecode : public GInStream
{
public:
    // Borrows inner, which must outlive this stream.
    explicit GHexDecode(GInStream& inner);
    // Owns inner (made with new) and deletes it with this stream.
    explicit GHexDecode(GInStream* inner);
    GHexDecode(GHexDecode const&) = delete;
    GHexDecode& operator=(GHexDecode const&) = delete;
    ~GHexDecode() override;

    // A decoder over a clone of the inner stream, finished when this one is; null when the inner
    // stream cannot be cloned.
    GInStream* CreateClone() const override;
    // Up to count bytes, high nibble first. After ">" a digit without partner becomes a byte with
    // low nibble 0 and the rest of the text is dropped; at the end of the inner stream such a digit
    // is dropped. Throws GSimpleException 2452 on a character that is neither white space, a
    // hexadecimal digit nor ">"; nothing of that read is delivered then.
    int Read(GBuffer& out, int count) override;
    void Reset() override;

    // 0-9, a-f, A-F.
    static bool IsValidByte(unsigned char c);
    // The byte of two digits of either case. A character that is no digit reads as a nibble with
    // every bit set: as the high digit it gives the high nibble F, as the low one the byte FF.
    static unsigned char DecodeBytes(unsigned char high, unsigned char low);

private:
    // The value of a digit; -1 for any other character.
    static int DigitValue(unsigned char c);

    GInStream* fInner;
    bool fOwnsInner;
    // The end marker or the end of the inner stream was met.
    bool fFinished;
};
