// An input stream that can step back: what parsers need to look ahead and undo.
#pragma once

#include "GInStream.h"

class GBufferedInStream : public GInStream
{
public:
    // Steps back up to count bytes so that they are delivered again; returns how many it stepped
    // back (0 for a count that is not positive).
    virtual int Unread(int count) = 0;
    // Starts counting the bytes read from here on.
    virtual void SetRollBackPoint() = 0;
    // Steps back over the bytes read since the roll-back point, as far as the stream can, and
    // forgets the point. Returns how many bytes it stepped back, or -1 when no point was set.
    virtual int RollBack() = 0;
    // Up to count bytes from the current position handed out in place, without a copy: bytes
    // points at them until the next call on this stream, which stands after them (Unread steps
    // back over them as over read ones). 0 when the stream keeps no bytes to lend, as by default,
    // or has none left; the caller then reads with Read.
    virtual int Lend(int count, unsigned char const*& bytes)
    {
        static_cast<void>(count);
        bytes = nullptr;
        return 0;
    }
};
