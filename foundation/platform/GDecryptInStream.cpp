// The unscrambling input stream.
#include "GDecryptInStream.h"

#include "GBuffer.h"
#include "GEncryptOutStream.h"

GDecryptInStream::GDecryptInStream(GInStream& inner) : fInner(&inner), fOwnsInner(false) {}

GDecryptInStream::GDecryptInStream(GInStream* inner) : fInner(inner), fOwnsInner(true) {}

GDecryptInStream::~GDecryptInStream()
{
    if (fOwnsInner)
        delete fInner;
}

GInStream* GDecryptInStream::CreateClone() const
{
    return nullptr;
}

int GDecryptInStream::Read(GBuffer& out, int count)
{
    int const result = fInner->Read(out, count);
    int const length = out.GetLength();
    unsigned char* p = length > 0 ? out.GetWritePtr() : nullptr;
    for (int i = 0; i < length; ++i)
        p[i] = GEncryptOutStream::UnscrambleByte(p[i]);
    return result;
}

void GDecryptInStream::Reset() {}
