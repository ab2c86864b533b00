// An output stream that appends to a byte buffer.
#pragma once

#include "GOutStream.h"

class GMemoryOutStream : public GOutStream
{
public:
    // Appends to the caller's buffer, which must outlive the stream.
    explicit GMemoryOutStream(GBuffer& target);
    // Takes a buffer made with new and deletes it with the stream.
    explicit GMemoryOutStream(GBuffer* target);
    GMemoryOutStream(GMemoryOutStream const&) = delete;
    GMemoryOutStream& operator=(GMemoryOutStream const&) = delete;
    ~GMemoryOutStream() override;

    // Appends the bytes and returns their number.
    int Write(GBuffer const& bytes) override;

    GBuffer& GetBuffer() const { return *fTarget; }

private:
    GBuffer* fTarget;
    bool fOwns;
};
