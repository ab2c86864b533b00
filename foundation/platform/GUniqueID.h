// Time-based unique identifiers in the 16-byte layout of RFC 4122 version 1 (timestamp, clock
// sequence, node), as bytes or as 32 lower-case hexadecimal digits. Actors registered with the
// delivery link are named with them, so the layout is fixed.
#pragma once

#include <cstdint>

#include "GBuffer.h"

class GUniqueID
{
public:
    // Takes the first built-in Ethernet address as the node. Without one, the node and the clock
    // sequence are random, so that two processes on such a machine do not make the same ids. Either
    // way the top bit (0x80) of the node's first byte is set, as on every identifier stored.
    GUniqueID();

    // Empties out and fills it with a new identifier:
    //   0-3   timestamp bits 0-31, most significant byte first
    //   4-5   timestamp bits 32-47, most significant byte first
    //   6     0001 (version 1) over timestamp bits 56-59
    //   7     timestamp bits 48-55
    //   8     10 (the RFC 4122 variant) over bits 8-13 of the clock sequence
    //   9     clock-sequence bits 0-7
    //   10-15 the node
    // The timestamp counts 100-nanosecond intervals since 15 October 1582 in whole microseconds;
    // two identifiers of one object in the same microsecond differ in their clock sequence.
    void GetBin(GBuffer& out);
    // Empties out and fills it with a new identifier as 32 lower-case hexadecimal digits, high
    // nibble first, without separators.
    void GetHex(GBuffer& out);

private:
    GBuffer fNode;
    std::uint16_t fClockSequence;
    std::uint64_t fLastTimestamp;
};
