// Gives any input stream the ability to step back by keeping the last two blocks fetched from it.
// The inner stream is asked for whole blocks only; blocks rotate by swapping, never by copying.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GBufferedInStream.h"

class GBufferedInStreamDecorator : public GBufferedInStream
{
public:
    // Borrows inner, which must outlive the decorator.
    GBufferedInStreamDecorator(GInStream& inner, int blockSize);
    // Owns inner (made with new) and deletes it with the decorator.
    GBufferedInStreamDecorator(GInStream* inner, int blockSize);
    // The copy reads a clone of the inner stream (which it owns) from the same position. When the
    // inner stream cannot be cloned, the copy delivers what its copied blocks hold and then ends.
    GBufferedInStreamDecorator(GBufferedInStreamDecorator const& other);
    GBufferedInStreamDecorator& operator=(GBufferedInStreamDecorator const&) = delete;
    ~GBufferedInStreamDecorator() override;

    // Null when the inner stream cannot be cloned.
    GInStream* CreateClone() const override;
    // Delivers the full count unless the inner stream runs out.
    int Read(GBuffer& out, int count) override;
    // Resets the inner stream, forgets both blocks and the roll-back point.
    void Reset() override;
    // Reaches back over the consumed part of the current block plus one whole previous block.
    int Unread(int count) override;
    void SetRollBackPoint() override;
    int RollBack() override;
    // What the current block still holds; nothing once it is used up (Read fetches the next).
    int Lend(int count, unsigned char const*& bytes) override;

    int GetBlockSize() const { return fBlockSize; }

protected:
    // Appends up to wanted bytes of the current block at the read position to out, advances the
    // position and lowers wanted by the amount copied.
    void ReadFromCache(GBuffer& out, int& wanted);
    // Makes the next block current, reading from its start; false when the inner stream delivered
    // nothing. A new block holds at least the block size unless the inner stream ends first,
    // however little each of its reads delivers.
    bool SwapAndFillBuffer();
    // Adds n to the roll-back count while a roll-back point is set.
    void RegisterRollbackChars(int n);

private:
    // Points the read position and bounds at the current block, offset bytes into it.
    void SetCurrentBlockPointers(int offset);

    std::int32_t fBlockSize;
    GInStream* fInner;
    bool fOwnsInner;
    GBuffer fCurrentBlock;
    // The block before the current one; while stepped back, the newer block that waits.
    GBuffer fPreviousBlock;
    // Receives the next fetch; empty between calls.
    GBuffer fSpareBlock;
    bool fSteppedBack;
    unsigned char const* fReadPos;
    unsigned char const* fBlockStart;
    unsigned char const* fBlockEnd;
    // Bytes read since the roll-back point; -1 when there is none.
    std::int32_t fRollBackCount;
};
