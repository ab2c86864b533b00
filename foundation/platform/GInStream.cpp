// The pull interface of every byte source, with the skip that reads through any stream.
#include "GInStream.h"

#include <algorithm>

#include "GBuffer.h"

GInStream::~GInStream() = default;

long long GInStream::Skip(long long count)
{
    GBuffer scratch;
    long long total = 0;
    while (count > 0)
    {
        int const delivered = Read(scratch, static_cast<int>(std::min<long long>(count, cSkipChunkSize)));
        if (delivered <= 0)
            break;
        count -= delivered;
        total += delivered;
    }
    return total;
}
