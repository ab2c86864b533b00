// Delivers the bytes of another input stream as lowercase hexadecimal digits, high nibble first,
// optionally ended by ">".
#pragma once

#include "GInStream.h"

class GHexEncode : public GInStream
{
public:
    // Borrows inner, which must outlive this stream; endMarker appends ">" after the last digit.
    GHexEncode(GInStream& inner, bool endMarker);
    // Owns inner (made with new) and deletes it with this stream.
    GHexEncode(GInStream* inner, bool endMarker);
    GHexEncode(GHexEncode const&) = delete;
    GHexEncode& operator=(GHexEncode const&) = delete;
    ~GHexEncode() override;

    // An encoder over a clone of the inner stream, in the same state, the digit held back from
    // the last read included; null when the inner stream cannot be cloned.
    GInStream* CreateClone() const override;
    // Up to count characters. When count ends between the two digits of a byte, the second is
    // held back and delivered first by the next read. The ">" counts as a character.
    int Read(GBuffer& out, int count) override;
    // Resets the inner stream and starts over: the digit held back is dropped too.
    void Reset() override;

private:
    GInStream* fInner;
    bool fOwnsInner;
    // The second digit of a byte whose first digit ended the previous read; 0 for none.
    char fPendingDigit;
    // The inner stream ran out (and the ">" was delivered).
    bool fFinished;
    bool fEndMarker;
};
