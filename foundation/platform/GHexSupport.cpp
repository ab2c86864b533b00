// Hexadecimal text to and from bytes in buffers.
#include "GHexSupport.h"

#include "GBuffer.h"
#include "GBufferSupport.h"
#include "GHexDecode.h"
#include "GHexEncode.h"
#include "GMemoryInStream.h"
#include "GStreamSupport.h"

namespace
{
constexpr unsigned char cTab = 9;
constexpr unsigned char cCR = 13;
constexpr unsigned char cLF = 10;
} // namespace

void GHexSupport::SetToHexBuffer(GBuffer const& bytes, GBuffer& hex)
{
    GMemoryInStream source(bytes);
    GHexEncode encoder(source, false);
    GStreamSupport::GetContent(encoder, hex);
}

void GHexSupport::SetFromHexBuffer(GBuffer const& hex, GBuffer& bytes)
{
    GMemoryInStream source(hex);
    GHexDecode decoder(source);
    GBuffer chunk;
    while (decoder.Read(chunk, GStreamSupport::cChunkSize) > 0)
        bytes += chunk;
}

void GHexSupport::SetFromHexArray(unsigned char const* hex, int length, GBuffer& bytes)
{
    GBuffer result;
    int const pairs = hex && length > 0 ? length / 2 : 0;
    unsigned char previous = 0;
    for (int i = 0; i < pairs; ++i)
    {
        unsigned char const byte = GHexDecode::DecodeBytes(hex[2 * i], hex[2 * i + 1]);
        bool const escaped = i > 0 && !result.IsEmpty() && GBufferSupport::IsBackSlashCharacter(previous);
        if (escaped && byte == 't')
        {
            result.GetWritePtr()[result.GetLength() - 1] = cTab;
        }
        else if (escaped && byte == 'n')
        {
            result.SetLength(result.GetLength() - 1);
            if (GBufferSupport::sLineEndingNeedsCR)
                result += cCR;
            if (GBufferSupport::sLineEndingNeedsLF)
                result += cLF;
        }
        else
        {
            result += byte;
        }
        previous = byte;
    }
    bytes.Swap(result);
}
