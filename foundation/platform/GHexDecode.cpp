// The hexadecimal decoding input stream.
#include "GHexDecode.h"

#include <algorithm>

#include "GBuffer.h"
#include "GSimpleException.h"
#include "GStringSupport.h"

namespace
{
// "Invalid data to decode".
constexpr int cInvalidDataToDecodeID = 2452;
constexpr unsigned char cEndMarker = '>';
// Characters asked of the inner stream at once; a larger request is met by several reads.
constexpr int cMaxCharactersPerRead = 1 << 20;
} // namespace

GHexDecode::GHexDecode(GInStream& inner) : fInner(&inner), fOwnsInner(false), fFinished(false) {}

GHexDecode::GHexDecode(GInStream* inner) : fInner(inner), fOwnsInner(true), fFinished(false) {}

GHexDecode::~GHexDecode()
{
    if (fOwnsInner)
        delete fInner;
}

GInStream* GHexDecode::CreateClone() const
{
    GInStream* inner = fInner->CreateClone();
    if (!inner)
        return nullptr;
    auto* clone = new GHexDecode(inner);
    clone->fFinished = fFinished;
    return clone;
}

int GHexDecode::DigitValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool GHexDecode::IsValidByte(unsigned char c)
{
    return DigitValue(c) >= 0;
}

unsigned char GHexDecode::DecodeBytes(unsigned char high, unsigned char low)
{
    return static_cast<unsigned char>(static_cast<unsigned>(DigitValue(high)) << 4 |
                                      static_cast<unsigned>(DigitValue(low)));
}

int GHexDecode::Read(GBuffer& out, int count)
{
    out.SetLength(0);
    if (count <= 0)
        return -1;
    GBuffer decoded;
    // A digit waiting for its partner, -1 for none.
    int waiting = -1;
    GBuffer characters;
    while (decoded.GetLength() < count && !fFinished)
    {
        // Exactly the digits still needed, so that no digit is left over when count is reached.
        long long const needed = 2LL * (count - decoded.GetLength()) - (waiting >= 0 ? 1 : 0);
        int const asked = static_cast<int>(std::min<long long>(needed, cMaxCharactersPerRead));
        int const got = fInner->Read(characters, asked);
        int const length = std::min({got, characters.GetLength(), asked});
        if (length <= 0)
        {
            fFinished = true;
            break;
        }
        unsigned char const* p = characters.GetPtr();
        for (int i = 0; i < length; ++i)
        {
            unsigned char const c = p[i];
            if (GStringSupport::IsWhiteSpace(c))
                continue;
            if (c == cEndMarker)
            {
                if (waiting >= 0)
                    decoded += static_cast<unsigned char>(waiting << 4);
                waiting = -1;
                fFinished = true;
                break;
            }
            int const value = DigitValue(c);
            if (value < 0)
                throw GSimpleException(cInvalidDataToDecodeID);
            if (waiting < 0)
            {
                waiting = value;
                continue;
            }
            decoded += static_cast<unsigned char>(waiting << 4 | value);
            waiting = -1;
        }
    }
    if (decoded.IsEmpty())
        return fFinished ? -1 : 0;
    out.Swap(decoded);
    return out.GetLength();
}

void GHexDecode::Reset()
{
    fInner->Reset();
    fFinished = false;
}
