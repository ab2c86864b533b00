// Static helpers over byte buffers.
#include "GBufferSupport.h"

#include <utility>

#include "GBuffer.h"

namespace
{
void SwapUnits(unsigned char* data, int length)
{
    for (int i = 0; i + 1 < length; i += 2)
        std::swap(data[i], data[i + 1]);
}
} // namespace

void GBufferSupport::SwapUnicodeBytes(GBuffer& buffer)
{
    unsigned char* data = buffer.GetWritePtr();
    SwapUnits(data, buffer.GetLength());
}

void GBufferSupport::SwapBigEndian(GBuffer& buffer)
{
    if (buffer.GetLength() < 2)
        return;
    SwapUnits(buffer.GetWritePtr(), buffer.GetLength());
}
