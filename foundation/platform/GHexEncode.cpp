// The hexadecimal encoding input stream.
#include "GHexEncode.h"

#include <algorithm>

#include "GBuffer.h"

namespace
{
char const cDigits[] = "0123456789abcdef";
constexpr unsigned char cEndMarker = '>';
} // namespace

GHexEncode::GHexEncode(GInStream& inner, bool endMarker)
    : fInner(&inner), fOwnsInner(false), fPendingDigit(0), fFinished(false), fEndMarker(endMarker)
{
}

GHexEncode::GHexEncode(GInStream* inner, bool endMarker)
    : fInner(inner), fOwnsInner(true), fPendingDigit(0), fFinished(false), fEndMarker(endMarker)
{
}

GHexEncode::~GHexEncode()
{
    if (fOwnsInner)
        delete fInner;
}

GInStream* GHexEncode::CreateClone() const
{
    GInStream* inner = fInner->CreateClone();
    if (!inner)
        return nullptr;
    auto* clone = new GHexEncode(inner, fEndMarker);
    clone->fFinished = fFinished;
    // Without the held-back digit the clone's output would be one digit short and shifted.
    clone->fPendingDigit = fPendingDigit;
    return clone;
}

int GHexEncode::Read(GBuffer& out, int count)
{
    out.SetLength(0);
    if (fFinished || count <= 0)
        return -1;

    // Digits to make from new bytes: a whole number of bytes that, with the held-back digit,
    // covers count (an odd count leaves the last byte's second digit held back).
    long long digits = count;
    if (count % 2 != 0)
        digits += fPendingDigit ? -1 : 1;
    int const wanted = static_cast<int>(digits / 2);

    GBuffer bytes;
    bool exhausted = false;
    if (wanted > 0)
    {
        GBuffer chunk;
        while (bytes.GetLength() < wanted)
        {
            int const missing = wanted - bytes.GetLength();
            int const got = fInner->Read(chunk, missing);
            int const take = std::min({got, chunk.GetLength(), missing});
            if (take <= 0)
                break;
            bytes.AppendByteArray(chunk.GetPtr(), take);
        }
        exhausted = bytes.GetLength() < wanted;
    }

    int delivered = 0;
    if (fPendingDigit)
    {
        out += fPendingDigit;
        fPendingDigit = 0;
        ++delivered;
    }
    unsigned char const* p = bytes.GetPtr();
    for (int i = 0; i < bytes.GetLength(); ++i)
    {
        out += cDigits[p[i] >> 4];
        ++delivered;
        char const low = cDigits[p[i] & 0x0F];
        if (delivered == count)
        {
            fPendingDigit = low;
            break;
        }
        out += low;
        ++delivered;
    }

    if (exhausted)
    {
        if (fEndMarker)
        {
            out += cEndMarker;
            ++delivered;
        }
        fFinished = true;
    }
    if (delivered == 0)
        return fFinished ? -1 : 0;
    return delivered;
}

void GHexEncode::Reset()
{
    fInner->Reset();
    fFinished = false;
    fPendingDigit = 0;
}
