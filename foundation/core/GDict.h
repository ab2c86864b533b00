// The framework's hash dictionary: open addressing with linear probing over a prime number of
// slots. Each slot counts how many keys have it as their home slot, so a lookup stops after
// seeing that many candidates instead of at the first free slot, and removal leaves no tombstones.
//
// Enumeration visits the occupied slots in slot order (not insertion order):
//
//     GDict<int, GString>::Enumerator e(dict);
//     while (e.Next())
//         Use(e.GetKey(), e.GetValue());
//
// or dict.ForEach([](int key, GString& value) { ... });
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "GAllocator.h"
#include "GDictTextForm.h"
#include "GDictUtil.h"

template<class K, class V>
class GDict
{
public:
    explicit GDict(int sizeHint = 5) : fSlots(nullptr), fCapacity(0), fEntries(0), fEnumerations(0)
    {
        std::int32_t capacity = GDictUtil::GetAllocation(sizeHint);
        fSlots = AllocateSlots(capacity);
        fCapacity = capacity;
    }
    // Slot for slot: the copy enumerates in the same order.
    GDict(GDict const& other) : fSlots(nullptr), fCapacity(0), fEntries(0), fEnumerations(0)
    {
        fSlots = CopySlots(other);
        fCapacity = other.fCapacity;
        fEntries = other.fEntries;
    }
    // The source is left without slots; it takes new ones at its next Put.
    GDict(GDict&& other) noexcept
        : fSlots(other.fSlots), fCapacity(other.fCapacity), fEntries(other.fEntries), fEnumerations(0)
    {
        other.fSlots = nullptr;
        other.fCapacity = 0;
        other.fEntries = 0;
    }
    ~GDict()
    {
        DestroyEntries();
        if (fCapacity != 0)
            FreeSlots(fSlots, fCapacity);
    }
    GDict& operator=(GDict const& other)
    {
        if (this == &other)
            return *this;
        // The copy is made first, so a failed allocation leaves this dictionary as it was.
        Slot* slots = CopySlots(other);
        DestroyEntries();
        if (fCapacity != 0)
            FreeSlots(fSlots, fCapacity);
        fSlots = slots;
        fCapacity = other.fCapacity;
        fEntries = other.fEntries;
        return *this;
    }

    int GetCount() const { return fEntries; }
    int GetCapacity() const { return fCapacity; }
    int GetEnumerationCount() const { return fEnumerations; }

    // The key's home slot (0 or more) when present, with slot set to the slot holding it;
    // otherwise the complement of the home slot, with slot set to where the key is to go.
    std::int32_t GetIndex(K const& key, int& slot) const { return GetIndex(key, GDictHash(key), slot); }
    // The home slot when present (slot set as by GetIndex), -1 otherwise.
    std::int32_t GetExistingIndex(K const& key, int& slot) const
    {
        std::int32_t home = GetIndex(key, slot);
        return home >= 0 ? home : -1;
    }

    bool Contains(K const& key) const
    {
        int slot;
        return GetExistingIndex(key, slot) >= 0;
    }
    // The value of a present key, or null.
    V* Find(K const& key)
    {
        int slot;
        return GetExistingIndex(key, slot) >= 0 ? &fSlots[slot].Value() : nullptr;
    }
    V const* Find(K const& key) const
    {
        int slot;
        return GetExistingIndex(key, slot) >= 0 ? &fSlots[slot].Value() : nullptr;
    }
    // Copies the value of a present key into value; false (value untouched) when absent.
    bool Get(K const& key, V& value) const
    {
        V const* found = Find(key);
        if (!found)
            return false;
        value = *found;
        return true;
    }

    // Assigns the value to a present key, otherwise inserts the pair.
    void Put(K const& key, V const& value) { Store(key, value); }
    // The same, taking the key and the value over instead of copying them.
    void Put(K&& key, V&& value) { Store(std::move(key), std::move(value)); }

    void Remove(K const& key)
    {
        int slot;
        std::int32_t home = GetExistingIndex(key, slot);
        if (home >= 0)
            RemoveIndex(slot, home);
    }
    // Pointer values: deletes the object, then removes the pair.
    void Delete(K const& key)
    {
        static_assert(std::is_pointer<V>::value, "Delete needs pointer values");
        int slot;
        std::int32_t home = GetExistingIndex(key, slot);
        if (home >= 0)
        {
            delete fSlots[slot].Value();
            RemoveIndex(slot, home);
        }
    }
    void RemoveIndex(int slot, int home)
    {
        Slot* s = fSlots + slot;
        s->Key().~K();
        s->Value().~V();
        s->fInfo &= ~cOccupied;
        fSlots[home].fInfo -= 1;
        --fEntries;
    }
    // Empties the dictionary; the capacity stays.
    void RemoveAll()
    {
        DestroyEntries();
        for (std::int32_t i = 0; i < fCapacity; ++i)
            fSlots[i].fInfo = 0;
        fEntries = 0;
    }
    void DeleteAll()
    {
        static_assert(std::is_pointer<V>::value, "DeleteAll needs pointer values");
        for (std::int32_t i = 0; i < fCapacity; ++i)
        {
            if (fSlots[i].fInfo & cOccupied)
                delete fSlots[i].Value();
        }
        RemoveAll();
    }

    // Slot access, for callers that keep the slot GetIndex gave them.
    bool IsOccupied(int slot) const { return (fSlots[slot].fInfo & cOccupied) != 0; }
    K const& GetKeyAt(int slot) const { return fSlots[slot].Key(); }
    V& GetValueAt(int slot) { return fSlots[slot].Value(); }
    V const& GetValueAt(int slot) const { return fSlots[slot].Value(); }

    // A running enumeration, counted in the dictionary for its whole scope (also when it is left
    // by an exception). It reads the capacity afresh at each step; the dictionary may be changed
    // meanwhile, and a growth then continues the walk in the new slot order.
    template<bool cConst>
    class BasicEnumerator
    {
    public:
        using Dict = typename std::conditional<cConst, GDict const, GDict>::type;
        using Value = typename std::conditional<cConst, V const, V>::type;

        explicit BasicEnumerator(Dict& dict) : fDict(dict), fSlot(-1) { ++dict.fEnumerations; }
        ~BasicEnumerator() { --fDict.fEnumerations; }
        BasicEnumerator(BasicEnumerator const&) = delete;
        BasicEnumerator& operator=(BasicEnumerator const&) = delete;

        bool Next()
        {
            while (++fSlot < fDict.fCapacity)
            {
                if (fDict.fSlots[fSlot].fInfo & cOccupied)
                    return true;
            }
            fSlot = fDict.fCapacity;
            return false;
        }
        K const& GetKey() const { return fDict.fSlots[fSlot].Key(); }
        Value& GetValue() const { return fDict.fSlots[fSlot].Value(); }
        int GetSlot() const { return fSlot; }

    private:
        Dict& fDict;
        std::int32_t fSlot;
    };
    using Enumerator = BasicEnumerator<false>;
    using ConstEnumerator = BasicEnumerator<true>;

    // Calls fn(key, value) for every entry in slot order.
    template<class F>
    void ForEach(F&& fn)
    {
        Enumerator e(*this);
        while (e.Next())
            fn(e.GetKey(), e.GetValue());
    }
    template<class F>
    void ForEach(F&& fn) const
    {
        ConstEnumerator e(*this);
        while (e.Next())
            fn(e.GetKey(), e.GetValue());
    }

    // The text form of GDict<GBuffer, GString> and GDict<GString, GString> (GDictTextForm): one
    // line of two quoted strings per pair between "#BEGINDICT" and "#ENDDICT". ReadFrom and
    // FromString empty the dictionary first and are false for a malformed text, keeping the pairs
    // read before the fault.
    void WriteTo(GText2BinStream& out) const
    {
        static_assert(cHasTextForm, "only string dictionaries have a text form");
        GDictTextForm::WriteTo(*this, out);
    }
    bool ReadFrom(GBin2TextStream& in)
    {
        static_assert(cHasTextForm, "only string dictionaries have a text form");
        return GDictTextForm::ReadFrom(*this, in);
    }
    // GDict<GBuffer, GString> only.
    void ToString(GString& out) const
    {
        static_assert(cHasStringForm, "only GDict<GBuffer, GString> has a string form");
        GDictTextForm::ToString(*this, out);
    }
    bool FromString(GString const& text)
    {
        static_assert(cHasStringForm, "only GDict<GBuffer, GString> has a string form");
        return GDictTextForm::FromString(*this, text);
    }

private:
    // GetIndex with the key's hash worked out. Each occupied slot keeps its key's hash, so a probe
    // compares a key only where the hashes agree and learns a slot's home without hashing again.
    std::int32_t GetIndex(K const& key, std::uint32_t hash, int& slot) const
    {
        if (fCapacity == 0)
        {
            slot = -1;
            return -1;
        }
        std::int32_t home = HomeOf(hash, fCapacity);
        std::int32_t at = home;
        Slot const* s = fSlots + home;
        std::uint32_t chain = s->fInfo & cChainMask;
        std::int32_t freeSlot = -1;
        std::uint32_t seen = 0;
        if (s->fInfo & cOccupied)
        {
            if (s->fHash == hash && s->Key() == key)
            {
                slot = home;
                return home;
            }
            if (chain != 0 && HomeOf(s->fHash, fCapacity) == home)
                seen = 1;
        }
        else
            freeSlot = home;
        if (seen < chain)
        {
            for (std::int32_t step = 0; step < fCapacity; ++step)
            {
                if (++at == fCapacity)
                    at = 0;
                s = fSlots + at;
                if (s->fInfo & cOccupied)
                {
                    if (s->fHash == hash && s->Key() == key)
                    {
                        slot = at;
                        return home;
                    }
                    if (HomeOf(s->fHash, fCapacity) == home)
                        ++seen;
                }
                else if (freeSlot < 0)
                    freeSlot = at;
                if (seen >= chain)
                    break;
            }
        }
        if (freeSlot < 0)
        {
            // The table is never full: it grows at three-quarter load.
            do
            {
                if (++at == fCapacity)
                    at = 0;
            } while (fSlots[at].fInfo & cOccupied);
            freeSlot = at;
        }
        slot = freeSlot;
        return ~home;
    }

    // Put's work, for a pair that is copied or taken over.
    template<class KeyArg, class ValueArg>
    void Store(KeyArg&& key, ValueArg&& value)
    {
        if (fCapacity == 0)
        {
            std::int32_t capacity = GDictUtil::GetAllocation(5);
            fSlots = AllocateSlots(capacity);
            fCapacity = capacity;
        }
        int at;
        std::uint32_t const hash = GDictHash(key);
        std::int32_t home = GetIndex(key, hash, at);
        Slot* s = fSlots + at;
        if (home >= 0)
        {
            s->Value() = std::forward<ValueArg>(value);
            return;
        }
        home = ~home;
        ::new (static_cast<void*>(s->fKey)) K(std::forward<KeyArg>(key));
        try
        {
            ::new (static_cast<void*>(s->fValue)) V(std::forward<ValueArg>(value));
        }
        catch (...) // the slot stays free
        {
            s->Key().~K();
            throw;
        }
        fSlots[home].fInfo += 1;
        s->fInfo |= cOccupied;
        s->fHash = hash;
        ++fEntries;
        if (fEntries >= 3 * fCapacity / 4)
            Rebuild(GDictUtil::GetAllocation(2 * fCapacity));
    }

    static constexpr bool cHasStringForm = std::is_same<K, GBuffer>::value && std::is_same<V, GString>::value;
    static constexpr bool cHasTextForm =
        cHasStringForm || (std::is_same<K, GString>::value && std::is_same<V, GString>::value);

    // Bit 31 marks an occupied slot; bits 0 to 30 count the keys anywhere in the table whose home
    // is this slot.
    static constexpr std::uint32_t cOccupied = 0x80000000u;
    static constexpr std::uint32_t cChainMask = 0x7FFFFFFFu;

    // Key and value are constructed only while the slot is occupied.
    struct Slot
    {
        alignas(K) unsigned char fKey[sizeof(K)];
        alignas(V) unsigned char fValue[sizeof(V)];
        std::uint32_t fInfo;
        // The key's GDictHash while the slot is occupied.
        std::uint32_t fHash;

        K& Key() { return *std::launder(reinterpret_cast<K*>(fKey)); }
        K const& Key() const { return *std::launder(reinterpret_cast<K const*>(fKey)); }
        V& Value() { return *std::launder(reinterpret_cast<V*>(fValue)); }
        V const& Value() const { return *std::launder(reinterpret_cast<V const*>(fValue)); }
    };
    // Small blocks from the allocator are aligned to 8 bytes.
    static_assert(alignof(Slot) <= 8, "GDict keys and values must not need more than 8-byte alignment");

    static constexpr bool cBitwise =
        std::is_trivially_copyable<K>::value && std::is_trivially_copyable<V>::value;

    static Slot* AllocateSlots(std::int32_t n)
    {
        Slot* slots = static_cast<Slot*>(GAllocator::GetInstance()->Alloc(std::size_t(n) * sizeof(Slot)));
        std::memset(static_cast<void*>(slots), 0, std::size_t(n) * sizeof(Slot));
        return slots;
    }
    static void FreeSlots(Slot* slots, std::int32_t n)
    {
        GAllocator::GetInstance()->Free(slots, std::size_t(n) * sizeof(Slot));
    }

    static std::int32_t HomeOf(std::uint32_t hash, std::int32_t capacity)
    {
        return static_cast<std::int32_t>(hash % static_cast<std::uint32_t>(capacity));
    }

    // Destroys the key and value of every occupied slot among the first n; the info words stay.
    static void DestroySlots(Slot* slots, std::int32_t n)
    {
        if constexpr (!cBitwise)
        {
            for (std::int32_t i = 0; i < n; ++i)
            {
                if (slots[i].fInfo & cOccupied)
                {
                    slots[i].Key().~K();
                    slots[i].Value().~V();
                }
            }
        }
    }
    void DestroyEntries() { DestroySlots(fSlots, fCapacity); }

    // A slot-for-slot copy of other's array; on failure nothing is left allocated.
    static Slot* CopySlots(GDict const& other)
    {
        if (other.fCapacity == 0)
            return nullptr;
        Slot* slots = AllocateSlots(other.fCapacity);
        std::int32_t i = 0;
        try
        {
            for (; i < other.fCapacity; ++i)
            {
                Slot const* from = other.fSlots + i;
                Slot* to = slots + i;
                if (from->fInfo & cOccupied)
                {
                    ::new (static_cast<void*>(to->fKey)) K(from->Key());
                    try
                    {
                        ::new (static_cast<void*>(to->fValue)) V(from->Value());
                    }
                    catch (...) // the half-copied slot is undone with the others below
                    {
                        to->Key().~K();
                        throw;
                    }
                }
                to->fInfo = from->fInfo;
                to->fHash = from->fHash;
            }
        }
        catch (...) // destroys the slots copied so far, frees the array and passes the failure on
        {
            DestroySlots(slots, i);
            FreeSlots(slots, other.fCapacity);
            throw;
        }
        return slots;
    }

    // Re-inserts every entry, in old slot order, into a new array of capacity slots. Keys and
    // values are moved, not copied bitwise, so entries that point into themselves survive; a move
    // that may throw is replaced by a copy, and a failure then leaves the dictionary as it was.
    void Rebuild(std::int32_t capacity)
    {
        Slot* slots = AllocateSlots(capacity);
        try
        {
            for (std::int32_t i = 0; i < fCapacity; ++i)
            {
                Slot* from = fSlots + i;
                if (!(from->fInfo & cOccupied))
                    continue;
                // The keys are distinct, so the key's place is the first free slot from its home.
                std::int32_t home = HomeOf(from->fHash, capacity);
                std::int32_t at = home;
                while (slots[at].fInfo & cOccupied)
                {
                    if (++at == capacity)
                        at = 0;
                }
                Slot* to = slots + at;
                if constexpr (cBitwise)
                {
                    std::memcpy(static_cast<void*>(to->fKey), static_cast<void const*>(from->fKey),
                                sizeof(K));
                    std::memcpy(static_cast<void*>(to->fValue), static_cast<void const*>(from->fValue),
                                sizeof(V));
                }
                else
                {
                    ::new (static_cast<void*>(to->fKey)) K(std::move_if_noexcept(from->Key()));
                    try
                    {
                        ::new (static_cast<void*>(to->fValue)) V(std::move_if_noexcept(from->Value()));
                    }
                    catch (...) // the half-built slot is undone here, the others below
                    {
                        to->Key().~K();
                        throw;
                    }
                }
                slots[home].fInfo += 1;
                to->fInfo |= cOccupied;
                to->fHash = from->fHash;
            }
        }
        catch (...) // only copies throw, so the old slots are intact: the new array is dropped
        {
            DestroySlots(slots, capacity);
            FreeSlots(slots, capacity);
            throw;
        }
        // The moved-from (or copied) originals.
        DestroyEntries();
        FreeSlots(fSlots, fCapacity);
        fSlots = slots;
        fCapacity = capacity;
    }

    Slot* fSlots;
    std::int32_t fCapacity;
    std::int32_t fEntries;
    // Bookkeeping only: no operation refuses or changes while enumerations run.
    mutable std::int32_t fEnumerations;
};
