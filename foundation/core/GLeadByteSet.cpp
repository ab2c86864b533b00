// The lead bytes of the platform's 8-bit encodings, learnt once per encoding.
#include "GLeadByteSet.h"

#include <map>
#include <mutex>
#include <string>

#include "GBuffer.h"
#include "GPlatformEncoding.h"
#include "GUnicodeEncoding.h"

namespace
{
struct Bits
{
    std::uint64_t fWords[4];
};

// Learning a set converts 128 bytes; readers and writers are made far more often than that, so the
// sets are kept by the encoding's description for the rest of the process.
Bits const& LearnedBits(GPlatformEncoding const* encoding, GUnicodeEncoding const* unicode)
{
    static std::mutex sLock;
    static std::map<std::string, Bits> sKnown;
    GBuffer const& description = encoding->GetASCIIDescription();
    std::string const key(reinterpret_cast<char const*>(description.GetPtr()),
                          static_cast<std::size_t>(description.GetLength()));
    std::lock_guard<std::mutex> lock(sLock);
    auto found = sKnown.find(key);
    if (found != sKnown.end())
        return found->second;
    Bits bits = {};
    GBuffer out;
    for (unsigned byte = 0x80; byte < 0x100; ++byte)
    {
        unsigned char const alone = static_cast<unsigned char>(byte);
        if (unicode->ConvertFrom(GBuffer(&alone, 1), encoding, out) != GEncodingResult::cComplete)
            bits.fWords[byte >> 6] |= std::uint64_t(1) << (byte & 63);
    }
    return sKnown.emplace(key, bits).first->second;
}
} // namespace

GLeadByteSet::GLeadByteSet(GEncoding const* encoding) : fBits{}, fEmpty(true)
{
    auto const* platform = dynamic_cast<GPlatformEncoding const*>(encoding);
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!platform || !unicode)
        return;
    Bits const& bits = LearnedBits(platform, unicode);
    for (int i = 0; i < 4; ++i)
    {
        fBits[i] = bits.fWords[i];
        fEmpty = fEmpty && fBits[i] == 0;
    }
}
