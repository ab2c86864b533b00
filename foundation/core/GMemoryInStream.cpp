// An input stream over a byte buffer, read in place or shared with its clones, with a roll-back mark.
#include "GMemoryInStream.h"

#include <algorithm>

GMemoryInStream::GMemoryInStream(GBuffer const& source) : fBorrowed(&source), fPosition(0), fMark(-1) {}

GMemoryInStream::GMemoryInStream(GBuffer* source)
    : fBorrowed(nullptr), fOwned(source ? source : new GBuffer), fPosition(0), fMark(-1)
{
}

GMemoryInStream::GMemoryInStream(GMemoryInStream const& other)
    : GBufferedInStream(other), fBorrowed(nullptr), fOwned(other.fOwned), fPosition(other.fPosition),
      fMark(other.fMark)
{
    // The borrowed buffer may change or go away while the copy still reads.
    if (other.fBorrowed)
        fOwned = GSmartPtr<GBuffer>(new GBuffer(*other.fBorrowed));
}

GMemoryInStream::~GMemoryInStream() = default;

GInStream* GMemoryInStream::CreateClone() const
{
    return new GMemoryInStream(*this);
}

int GMemoryInStream::GetLength() const
{
    return GetSource().GetLength();
}

int GMemoryInStream::Read(GBuffer& out, int count)
{
    GBuffer const& source = GetSource();
    int const n = std::min(count, source.GetLength() - fPosition);
    if (n <= 0)
    {
        out.SetLength(0);
        return -1;
    }
    out.Set(source.GetPtr() + fPosition, n);
    fPosition += n;
    return n;
}

int GMemoryInStream::Lend(int count, unsigned char const*& bytes)
{
    GBuffer const& source = GetSource();
    int const n = std::min(count, source.GetLength() - fPosition);
    bytes = nullptr;
    if (n <= 0)
        return 0;
    bytes = source.GetPtr() + fPosition;
    fPosition += n;
    return n;
}

long long GMemoryInStream::Skip(long long count)
{
    // The whole 64-bit count is limited, so a huge count reaches the end rather than wrapping.
    long long const n = std::min<long long>(count, GetLength() - fPosition);
    if (n <= 0)
        return 0;
    fPosition += static_cast<std::int32_t>(n);
    return n;
}

void GMemoryInStream::Reset()
{
    fPosition = 0;
    fMark = -1;
}

int GMemoryInStream::Unread(int count)
{
    if (count <= 0)
        return 0;
    int const n = std::min(count, static_cast<int>(fPosition));
    fPosition -= n;
    return n;
}

void GMemoryInStream::SetRollBackPoint()
{
    fMark = fPosition;
}

int GMemoryInStream::RollBack()
{
    if (fMark < 0)
        return -1;
    int const distance = fPosition - fMark;
    fPosition = fMark;
    fMark = -1;
    return distance;
}
