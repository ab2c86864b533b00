// An output stream that appends to a byte buffer.
#include "GMemoryOutStream.h"

#include "GBuffer.h"

GMemoryOutStream::GMemoryOutStream(GBuffer& target) : fTarget(&target), fOwns(false) {}

GMemoryOutStream::GMemoryOutStream(GBuffer* target) : fTarget(target), fOwns(true) {}

GMemoryOutStream::~GMemoryOutStream()
{
    if (fOwns)
        delete fTarget;
}

int GMemoryOutStream::Write(GBuffer const& bytes)
{
    *fTarget += bytes;
    return bytes.GetLength();
}
