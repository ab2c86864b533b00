// Look-ahead and step-back over any input stream through its last two blocks.
#include "GBufferedInStreamDecorator.h"

#include <algorithm>
#include <cstddef>

GBufferedInStreamDecorator::GBufferedInStreamDecorator(GInStream& inner, int blockSize)
    : fBlockSize(blockSize), fInner(&inner), fOwnsInner(false), fSteppedBack(false), fReadPos(nullptr),
      fBlockStart(nullptr), fBlockEnd(nullptr), fRollBackCount(-1)
{
}

GBufferedInStreamDecorator::GBufferedInStreamDecorator(GInStream* inner, int blockSize)
    : fBlockSize(blockSize), fInner(inner), fOwnsInner(true), fSteppedBack(false), fReadPos(nullptr),
      fBlockStart(nullptr), fBlockEnd(nullptr), fRollBackCount(-1)
{
}

GBufferedInStreamDecorator::GBufferedInStreamDecorator(GBufferedInStreamDecorator const& other)
    : GBufferedInStream(other), fBlockSize(other.fBlockSize),
      fInner(other.fInner ? other.fInner->CreateClone() : nullptr), fOwnsInner(true),
      fCurrentBlock(other.fCurrentBlock), fPreviousBlock(other.fPreviousBlock),
      fSteppedBack(other.fSteppedBack), fReadPos(nullptr), fBlockStart(nullptr), fBlockEnd(nullptr),
      fRollBackCount(other.fRollBackCount)
{
    // The spare block is empty between calls, so there is nothing of it to copy.
    if (other.fBlockStart)
        SetCurrentBlockPointers(static_cast<int>(other.fReadPos - other.fBlockStart));
}

GBufferedInStreamDecorator::~GBufferedInStreamDecorator()
{
    if (fOwnsInner)
        delete fInner;
}

GInStream* GBufferedInStreamDecorator::CreateClone() const
{
    auto* clone = new GBufferedInStreamDecorator(*this);
    if (fInner && !clone->fInner)
    {
        // The inner stream cannot be cloned, so neither can this one.
        delete clone;
        return nullptr;
    }
    return clone;
}

void GBufferedInStreamDecorator::SetCurrentBlockPointers(int offset)
{
    if (fCurrentBlock.IsEmpty())
    {
        fReadPos = fBlockStart = fBlockEnd = nullptr;
        return;
    }
    fBlockStart = fCurrentBlock.GetPtr();
    fBlockEnd = fBlockStart + fCurrentBlock.GetLength();
    fReadPos = fBlockStart + offset;
}

void GBufferedInStreamDecorator::ReadFromCache(GBuffer& out, int& wanted)
{
    int const n = static_cast<int>(std::min<std::ptrdiff_t>(fBlockEnd - fReadPos, wanted));
    if (n <= 0)
        return;
    out.AppendByteArray(fReadPos, n);
    fReadPos += n;
    wanted -= n;
}

bool GBufferedInStreamDecorator::SwapAndFillBuffer()
{
    if (fSteppedBack)
    {
        fSteppedBack = false;
        fCurrentBlock.Swap(fPreviousBlock);
        SetCurrentBlockPointers(0);
        return true;
    }
    if (!fInner || fInner->Read(fSpareBlock, fBlockSize) <= 0 || fSpareBlock.IsEmpty())
    {
        fSpareBlock.SetLength(0);
        return false;
    }
    // A stream may deliver less than it was asked for before its end. The block is filled to at
    // least the block size all the same (asking for whole blocks still): Unread reaches back over
    // whole blocks, and readers rely on that reach (the text reader steps back 512 bytes at once).
    GBuffer more;
    while (fSpareBlock.GetLength() < fBlockSize && fInner->Read(more, fBlockSize) > 0)
        fSpareBlock += more;
    // current -> previous, spare -> current, old previous -> spare.
    fPreviousBlock.Swap(fCurrentBlock);
    fCurrentBlock.Swap(fSpareBlock);
    fSpareBlock.SetLength(0);
    SetCurrentBlockPointers(0);
    return true;
}

void GBufferedInStreamDecorator::RegisterRollbackChars(int n)
{
    if (fRollBackCount >= 0)
        fRollBackCount += n;
}

int GBufferedInStreamDecorator::Read(GBuffer& out, int count)
{
    int wanted = count > 0 ? count : 0;
    // Emptying out and taking what the current block still holds is one copy, and for the small
    // reads of parsers usually the only one.
    int const held = static_cast<int>(std::min<std::ptrdiff_t>(fBlockEnd - fReadPos, wanted));
    out.Set(fReadPos, held);
    fReadPos += held;
    wanted -= held;
    while (wanted > 0 && SwapAndFillBuffer())
        ReadFromCache(out, wanted);
    int const delivered = out.GetLength();
    RegisterRollbackChars(delivered);
    return delivered > 0 ? delivered : -1;
}

int GBufferedInStreamDecorator::Lend(int count, unsigned char const*& bytes)
{
    int const held = static_cast<int>(std::min<std::ptrdiff_t>(fBlockEnd - fReadPos, count > 0 ? count : 0));
    bytes = nullptr;
    if (held <= 0)
        return 0;
    bytes = fReadPos;
    fReadPos += held;
    RegisterRollbackChars(held);
    return held;
}

void GBufferedInStreamDecorator::Reset()
{
    if (fInner)
        fInner->Reset();
    fCurrentBlock.SetLength(0);
    fPreviousBlock.SetLength(0);
    fSpareBlock.SetLength(0);
    fSteppedBack = false;
    fReadPos = fBlockStart = fBlockEnd = nullptr;
    fRollBackCount = -1;
}

int GBufferedInStreamDecorator::Unread(int count)
{
    // A negative count would move the read position past the data already delivered.
    if (count <= 0)
        return 0;
    int const consumed = static_cast<int>(fReadPos - fBlockStart);
    int const k = std::min(count, consumed);
    fReadPos -= k;
    int result = k;
    // Never further back than the previous block; before the second fetch there is none.
    if (k < count && !fSteppedBack && !fPreviousBlock.IsEmpty())
    {
        fCurrentBlock.Swap(fPreviousBlock);
        fSteppedBack = true;
        int const length = fCurrentBlock.GetLength();
        int const r = std::min(count - k, length);
        SetCurrentBlockPointers(length - r);
        result = k + r;
    }
    if (fRollBackCount >= 0)
    {
        fRollBackCount -= result;
        if (fRollBackCount < 0)
            fRollBackCount = -1;
    }
    return result;
}

void GBufferedInStreamDecorator::SetRollBackPoint()
{
    fRollBackCount = 0;
}

int GBufferedInStreamDecorator::RollBack()
{
    if (fRollBackCount < 0)
        return -1;
    int const steppedBack = fRollBackCount > 0 ? Unread(fRollBackCount) : 0;
    fRollBackCount = -1;
    return steppedBack;
}
