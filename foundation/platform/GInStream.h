// The pull interface through which every byte source of the framework is read: files, memory and
// the decorators that transform another stream.
#pragma once

#include "GFastAllocatable.h"

class GBuffer;

class GInStream : public GFastAllocatable
{
public:
    // The largest amount the default Skip reads at once.
    static constexpr int cSkipChunkSize = 1048576;

    GInStream() = default;
    // There is no state to copy.
    GInStream(GInStream const&) = default;
    GInStream& operator=(GInStream const&) = default;
    virtual ~GInStream();

    // A new stream, owned by the caller, reading the same data independently from the same
    // position; null for a stream that cannot be cloned.
    virtual GInStream* CreateClone() const = 0;
    // Replaces out with up to count bytes and returns how many were delivered, or -1 when none
    // were (end of data, or count not positive).
    virtual int Read(GBuffer& out, int count) = 0;
    // Passes over up to count bytes by reading them; returns how many were passed over. A count
    // that is not positive passes over nothing.
    virtual long long Skip(long long count);
    // Back to the first byte.
    virtual void Reset() = 0;
};
