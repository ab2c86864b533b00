// The scrambling output stream.
#include "GEncryptOutStream.h"

#include "GBuffer.h"

GEncryptOutStream::GEncryptOutStream(GOutStream& inner) : fInner(&inner), fOwnsInner(false) {}

GEncryptOutStream::GEncryptOutStream(GOutStream* inner) : fInner(inner), fOwnsInner(true) {}

GEncryptOutStream::~GEncryptOutStream()
{
    if (fOwnsInner)
        delete fInner;
}

int GEncryptOutStream::Write(GBuffer const& bytes)
{
    GBuffer scrambled(bytes);
    int const length = scrambled.GetLength();
    unsigned char* p = length > 0 ? scrambled.GetWritePtr() : nullptr;
    for (int i = 0; i < length; ++i)
        p[i] = ScrambleByte(p[i]);
    return fInner->Write(scrambled);
}
