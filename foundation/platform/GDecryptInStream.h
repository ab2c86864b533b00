// Unscrambles what GEncryptOutStream scrambled, on its way in from another input stream.
#pragma once

#include "GInStream.h"

class GDecryptInStream : public GInStream
{
public:
    // Borrows inner, which must outlive this stream.
    explicit GDecryptInStream(GInStream& inner);
    // Owns inner (made with new) and deletes it with this stream.
    explicit GDecryptInStream(GInStream* inner);
    GDecryptInStream(GDecryptInStream const&) = delete;
    GDecryptInStream& operator=(GDecryptInStream const&) = delete;
    ~GDecryptInStream() override;

    // Always null: this stream cannot be cloned.
    GInStream* CreateClone() const override;
    // Reads from the inner stream and unscrambles what came; returns what the inner stream returned.
    int Read(GBuffer& out, int count) override;
    // Does nothing; in particular the inner stream is not reset.
    void Reset() override;

private:
    GInStream* fInner;
    bool fOwnsInner;
};
