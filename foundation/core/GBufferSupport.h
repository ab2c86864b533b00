// Static helpers over byte buffers.
#pragma once

class GBuffer;

class GBufferSupport
{
public:
    GBufferSupport() = delete;

    // Swaps the two bytes of every 16-bit unit of writable bytes; an odd last byte is left alone.
    static void SwapUnicodeBytes(GBuffer& buffer);
    // The same swap; buffers shorter than one unit are left alone.
    static void SwapBigEndian(GBuffer& buffer);
};
