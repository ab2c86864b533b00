// Byte strings read and written at a shared-memory block's position as a 32-bit length followed by
// the bytes.
#pragma once

#include "GBuffer.h"
#include "GSharedMemoryBase.h"
#include "PUNIXSharedMemory.h"

class GBufferShMemUtils
{
public:
    GBufferShMemUtils() = delete;

    // Throws 40160, writing nothing, when the length and the bytes do not fit after the position;
    // 40164 when a write stores another count. A failure leaves the position where it was.
    static void Write(GSharedMemoryBase<PUNIXSharedMemory>& block, GBuffer const& bytes);
    // Throws 40161 when the length read is negative or more than the bytes left after it, 40163 when
    // the read gives another count; out is then left as it was, and the position too.
    static void Read(GSharedMemoryBase<PUNIXSharedMemory>& block, GBuffer& out);
};
