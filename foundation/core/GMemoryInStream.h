// An input stream over a byte buffer, read in place or shared with its clones, with a roll-back mark.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GBufferedInStream.h"
#include "GSmartPtr.h"

class GMemoryInStream : public GBufferedInStream
{
public:
    // Reads the caller's buffer in place; the caller keeps it alive while this stream reads it
    // (clones take their own copy).
    explicit GMemoryInStream(GBuffer const& source);
    // Takes a buffer made with new; clones share it, the last one deletes it.
    explicit GMemoryInStream(GBuffer* source);
    // Same position and mark. A copy of a stream over a borrowed buffer holds its own copy of it.
    GMemoryInStream(GMemoryInStream const& other);
    GMemoryInStream& operator=(GMemoryInStream const&) = delete;
    ~GMemoryInStream() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    // Moves forward by count, limited to the bytes left; a count that is not positive moves
    // nothing. Returns the distance moved.
    long long Skip(long long count) override;
    // Position 0, no mark.
    void Reset() override;
    // Moves back by count, not below the first byte; a count that is not positive moves nothing.
    int Unread(int count) override;
    void SetRollBackPoint() override;
    // Returns to the mark and clears it; the result is the distance from the mark to where the
    // stream stood, or -1 (nothing changes) without a mark.
    int RollBack() override;
    // The source's own bytes.
    int Lend(int count, unsigned char const*& bytes) override;

    int GetLength() const;
    int GetPosition() const { return fPosition; }

private:
    GBuffer const& GetSource() const { return fBorrowed ? *fBorrowed : *fOwned; }

    GBuffer const* fBorrowed;
    GSmartPtr<GBuffer> fOwned;
    std::int32_t fPosition;
    // The roll-back offset; -1 when there is none.
    std::int32_t fMark;
};
