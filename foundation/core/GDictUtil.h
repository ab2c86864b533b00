// Sizing and hashing shared by every GDict: the prime capacities and the hash of each key type.
#pragma once

#include <cstdint>
#include <type_traits>

class GString;

class GDictUtil
{
public:
    static constexpr int cPrimeCount = 40;
    static std::int32_t const sPrime[cPrimeCount];

    // The capacity for n entries: 7 below 6 entries, else the first prime above 4n/3 (doubling the
    // largest prime past the end of the table).
    static std::int32_t GetAllocation(std::int32_t n);

    // The line end of every text form, as ASCII text: a carriage return when the platform's lines
    // need one, then a line feed when they need one (a carriage return alone here).
    static GString GetEOLString();
};

// The 32-bit hash of a key; its home slot is the hash, taken as unsigned, modulo the capacity.
// Further key types add an overload; any type with a GetHash() member is covered already.
inline std::uint32_t GDictHash(int key)
{
    return static_cast<std::uint32_t>(key);
}
inline std::uint32_t GDictHash(unsigned int key)
{
    return key;
}
inline std::uint32_t GDictHash(unsigned short key)
{
    return key;
}
// Both halves count, so keys that differ only above bit 31 (thread ids, say) spread apart.
inline std::uint32_t GDictHash(long key)
{
    auto const bits = static_cast<std::uint64_t>(key);
    return static_cast<std::uint32_t>(bits ^ (bits >> 32));
}
template<class E, typename std::enable_if<std::is_enum<E>::value, int>::type = 0>
inline std::uint32_t GDictHash(E key)
{
    return static_cast<std::uint32_t>(key);
}
// The low 32 bits of the address.
template<class P>
inline std::uint32_t GDictHash(P* key)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key));
}
template<class K>
inline auto GDictHash(K const& key) -> decltype(static_cast<std::uint32_t>(key.GetHash()))
{
    return static_cast<std::uint32_t>(key.GetHash());
}
