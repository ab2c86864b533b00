// The byte sink every writer derives from: files, the hexadecimal and scrambling encoders, memory.
#pragma once

#include "GFastAllocatable.h"

class GBuffer;

class GOutStream : public GFastAllocatable
{
public:
    GOutStream() = default;
    GOutStream(GOutStream const&) = default;
    GOutStream& operator=(GOutStream const&) = default;
    virtual ~GOutStream();

    // Returns the number of bytes taken.
    virtual int Write(GBuffer const& bytes) = 0;
    // Skips nothing and returns 0 unless a stream can move over bytes it has not written.
    virtual long long Skip(long long count);
    virtual void Reset();
    virtual void Flush();
};
