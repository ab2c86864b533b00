// Version-1 unique identifiers from the wall clock, a clock sequence and the machine's node.
#include "GUniqueID.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "GHexSupport.h"
#include "GTable.h"
#include "PSystem.h"

namespace
{
constexpr int cNodeLength = 6;
// 100-nanosecond intervals from 15 October 1582 (the Gregorian reform) to 1 January 1970.
constexpr std::uint64_t cGregorianToUnix = 0x01B21DD213814000ULL;
// The top bit of the node's first byte is set, on a random node and on an Ethernet address alike:
// identifiers already stored carry it, and their node bytes must stay what they were.
constexpr unsigned char cNodeMark = 0x80;
} // namespace

GUniqueID::GUniqueID() : fClockSequence(0), fLastTimestamp(0)
{
    GTable<GBuffer> addresses;
    // The random parts come from the system's entropy each time: a generator seeded once would
    // give a forked child the same node and clock sequence as its parent and its siblings.
    std::random_device entropy;
    std::uint32_t const nodeHigh = entropy();
    std::uint32_t const rest = entropy();
    unsigned char node[cNodeLength] = {
        static_cast<unsigned char>(nodeHigh >> 24), static_cast<unsigned char>(nodeHigh >> 16),
        static_cast<unsigned char>(nodeHigh >> 8),  static_cast<unsigned char>(nodeHigh),
        static_cast<unsigned char>(rest >> 24),     static_cast<unsigned char>(rest >> 16)};
    if (PSystem::GetEtherAddress(addresses) && addresses[0].GetLength() == cNodeLength)
        std::copy(addresses[0].GetPtr(), addresses[0].GetPtr() + cNodeLength, node);
    node[0] |= cNodeMark;
    fNode.Set(node, cNodeLength);
    fClockSequence = static_cast<std::uint16_t>(rest);
}

void GUniqueID::GetBin(GBuffer& out)
{
    auto const sinceUnixEpoch = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    std::uint64_t const t = static_cast<std::uint64_t>(sinceUnixEpoch.count()) * 10 + cGregorianToUnix;
    if (t == fLastTimestamp)
        ++fClockSequence;
    fLastTimestamp = t;

    unsigned char const* const node = fNode.GetPtr();
    unsigned char const bytes[16] = {
        static_cast<unsigned char>(t >> 24),
        static_cast<unsigned char>(t >> 16),
        static_cast<unsigned char>(t >> 8),
        static_cast<unsigned char>(t),
        static_cast<unsigned char>(t >> 40),
        static_cast<unsigned char>(t >> 32),
        static_cast<unsigned char>(((t >> 56) & 0x0F) | 0x10),
        static_cast<unsigned char>(t >> 48),
        static_cast<unsigned char>(((fClockSequence >> 8) & 0x3F) | 0x80),
        static_cast<unsigned char>(fClockSequence),
        node[0],
        node[1],
        node[2],
        node[3],
        node[4],
        node[5],
    };
    out.Set(bytes, static_cast<int>(sizeof bytes));
}

void GUniqueID::GetHex(GBuffer& out)
{
    GBuffer bytes;
    GetBin(bytes);
    out.SetLength(0);
    GHexSupport::SetToHexBuffer(bytes, out);
}
