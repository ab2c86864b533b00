// Length-prefixed byte strings in shared memory.
#include "GBufferShMemUtils.h"

#include <cstdint>

#include "GBinaryShMemUtils.h"
#include "GSharedMemoryLocker.h"

void GBufferShMemUtils::Write(GSharedMemoryBase<PUNIXSharedMemory>& block, GBuffer const& bytes)
{
    GSharedMemoryLocker const lock(block);
    int const start = block.GetPosition();
    std::int32_t const length = bytes.GetLength();
    // The length and the bytes are checked together, so a string that does not fit leaves no
    // length behind it.
    long long const left = static_cast<long long>(block.GetLength()) - start;
    if (left < static_cast<long long>(sizeof length) + length)
        throw GSimpleException(GBinaryShMemUtils::cNotEnoughSpace);
    GBinaryShMemUtils::Write(block, length);
    if (length > 0 && block.Write(bytes.GetPtr(), length) != length)
    {
        block.SetPosition(start);
        throw GSimpleException(GBinaryShMemUtils::cCannotWrite);
    }
}

void GBufferShMemUtils::Read(GSharedMemoryBase<PUNIXSharedMemory>& block, GBuffer& out)
{
    GSharedMemoryLocker const lock(block);
    int const start = block.GetPosition();
    std::int32_t length = 0;
    GBinaryShMemUtils::Read(block, length);
    long long const left = static_cast<long long>(block.GetLength()) - block.GetPosition();
    if (length < 0 || left < length)
    {
        block.SetPosition(start);
        throw GSimpleException(GBinaryShMemUtils::cNotEnoughData);
    }
    GBuffer read;
    if (block.Read(read, length) != length)
    {
        block.SetPosition(start);
        throw GSimpleException(GBinaryShMemUtils::cCannotRead);
    }
    out = read;
}
