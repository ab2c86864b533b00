// The framework's growable array, used for every list of the system. Live iterators over a table
// (GTableIterator) are linked into it and moved along by every insert and removal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

#include "GAllocator.h"
#include "GTableIterator.h"
#include "GTableTextForm.h"

template<class T>
class GTable
{
public:
    GTable() : fItems(nullptr), fCapacity(0), fCount(0), fFirstIterator(nullptr) {}
    GTable(GTable const& other) : GTable() { AddItems(other.fItems, other.fCount); }
    // Takes the items and the live iterators along, so a table held inside another table's items
    // survives the relocation of those items with its iterators.
    GTable(GTable&& other) noexcept
        : fItems(other.fItems), fCapacity(other.fCapacity), fCount(other.fCount),
          fFirstIterator(other.fFirstIterator)
    {
        other.fItems = nullptr;
        other.fCapacity = 0;
        other.fCount = 0;
        other.fFirstIterator = nullptr;
        for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
            it->fTable = this;
    }
    ~GTable()
    {
        DestroyItemsFrom(0);
        if (fCapacity != 0)
            FreeSlots(fItems, fCapacity);
        for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
            it->End();
    }
    GTable& operator=(GTable const& other)
    {
        if (this == &other)
            return *this;
        DestroyItemsFrom(0);
        AddItems(other.fItems, other.fCount);
        return *this;
    }

    // Plain accessors without checks.
    int GetCount() const { return fCount; }
    int GetCapacity() const { return fCapacity; }
    T& operator[](int index) { return fItems[index]; }
    T const& operator[](int index) const { return fItems[index]; }
    T* GetItems() { return fItems; }
    T const* GetItems() const { return fItems; }

    // Room for n items; never shrinks.
    void ExpandTo(int n)
    {
        if (fCapacity >= n)
            return;
        T* items = AllocateSlots(n);
        try
        {
            AdoptArray(items, n, fCount, 0);
        }
        catch (...) // the new array is not ours yet; the table is unchanged
        {
            FreeSlots(items, n);
            throw;
        }
    }

    // Inserts a copy before the item at index (index = count appends). The item may be one of
    // this table's own.
    T& InsertItemAt(int index, T const& item)
    {
        if (fCount == fCapacity)
        {
            std::int32_t capacity = fCount <= 0 ? 2 : 2 * fCount;
            T* items = AllocateSlots(capacity);
            try
            {
                // Copied before the old items move, since item may be one of them.
                ::new (static_cast<void*>(items + index)) T(item);
            }
            catch (...) // nothing changed yet
            {
                FreeSlots(items, capacity);
                throw;
            }
            try
            {
                AdoptArray(items, capacity, index, 1);
            }
            catch (...) // the old array is intact
            {
                items[index].~T();
                FreeSlots(items, capacity);
                throw;
            }
        }
        else if (cBitwise || IsOwnItem(&item))
        {
            T copy(item);
            InsertInPlace(index, std::move(copy));
        }
        else
            InsertInPlace(index, item);
        ++fCount;
        for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
            it->ItemsInserted(index, 1);
        return fItems[index];
    }
    T& AddItem(T const& item) { return InsertItemAt(fCount, item); }

    // Appends copies of n items in their order.
    void AddItems(T const* items, int n)
    {
        if (n <= 0)
            return;
        if (IsOwnItem(items) || IsOwnItem(items + n - 1))
        {
            GTable copy;
            copy.AddItems(items, n);
            AddItems(copy.fItems, n);
            return;
        }
        if (fFirstIterator)
        {
            // Item by item, so that every live iterator follows each insertion.
            for (int i = 0; i < n; ++i)
                InsertItemAt(fCount, items[i]);
            return;
        }
        std::int32_t needed = fCount + n;
        if (fCapacity < needed)
            ExpandTo(2 * fCapacity > needed ? 2 * fCapacity : needed);
        CopyConstruct(fItems + fCount, items, n);
        fCount = needed;
    }

    void RemoveItemAt(int index)
    {
        fItems[index].~T();
        --fCount;
        MoveItems(fItems + index, fItems + index + 1, fCount - index);
        for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
            it->ItemRemoved(index);
    }
    void RemoveLastItem()
    {
        if (fCount > 0)
            RemoveItemAt(fCount - 1);
    }
    // Removes one item equal to value, preferring one that an iteration is on.
    void RemoveItem(T const& value)
    {
        int index = FindItemToRemove(value);
        if (index >= 0)
            RemoveItemAt(index);
    }
    void RemoveItemAll(T const& value)
    {
        if (IsOwnItem(&value))
        {
            // The removals shift the items, so value would change under the search.
            T copy(value);
            RemoveItemAll(copy);
            return;
        }
        for (int index = FindItemToRemove(value); index >= 0; index = FindItemToRemove(value))
            RemoveItemAt(index);
    }
    GTable& AddUniqueItem(T const& value)
    {
        if (FindItemToRemove(value) < 0)
            InsertItemAt(fCount, value);
        return *this;
    }

    // Grows with value-initialised (zero) items or removes items from the end until count is n;
    // a negative n empties the table.
    void Resize(int n)
    {
        if (n < 0)
            n = 0;
        ExpandTo(n);
        std::int32_t oldCount = fCount;
        if (n > oldCount)
        {
            for (; fCount < n; ++fCount)
                ::new (static_cast<void*>(fItems + fCount)) T();
            for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
                it->ItemsInserted(oldCount, n - oldCount);
        }
        else if (n < oldCount)
        {
            DestroyItemsFrom(n);
            for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
                it->TailRemoved(n, oldCount);
        }
    }

    // Pointer tables: deletes the objects, last first. Each item leaves the table before its
    // object is deleted, so a destructor that removes its own entry finds nothing to remove.
    void DeleteAllItems()
    {
        static_assert(std::is_pointer<T>::value, "DeleteAllItems needs a table of pointers");
        while (fCount > 0)
        {
            T object = fItems[fCount - 1];
            RemoveItemAt(fCount - 1);
            delete object;
        }
    }

    // The text form of a table of strings (GTableTextForm): one quoted string per line between
    // "#BEGINTABLE" and "#ENDTABLE". ReadFrom and FromString empty the table first.
    void WriteTo(GText2BinStream& out) const
    {
        static_assert(std::is_same<T, GString>::value, "only a table of strings has a text form");
        GTableTextForm::WriteTo(*this, out);
    }
    void ReadFrom(GBin2TextStream& in)
    {
        static_assert(std::is_same<T, GString>::value, "only a table of strings has a text form");
        GTableTextForm::ReadFrom(*this, in);
    }
    void ToString(GString& out) const
    {
        static_assert(std::is_same<T, GString>::value, "only a table of strings has a text form");
        GTableTextForm::ToString(*this, out);
    }
    void FromString(GString const& text)
    {
        static_assert(std::is_same<T, GString>::value, "only a table of strings has a text form");
        GTableTextForm::FromString(*this, text);
    }

private:
    friend class GTableIterator<T>;

    // Small blocks from the allocator are aligned to 8 bytes.
    static_assert(alignof(T) <= 8, "GTable items must not need more than 8-byte alignment");
    static constexpr bool cBitwise = std::is_trivially_copyable<T>::value;
    // A move that may throw is not taken when a copy can be taken instead, so growth keeps the
    // old array intact on failure.
    static constexpr bool cMoveOnGrowth =
        std::is_nothrow_move_constructible<T>::value || !std::is_copy_constructible<T>::value;

    static T* AllocateSlots(std::int32_t n)
    {
        return static_cast<T*>(GAllocator::GetInstance()->Alloc(std::size_t(n) * sizeof(T)));
    }
    static void FreeSlots(T* items, std::int32_t n)
    {
        GAllocator::GetInstance()->Free(items, std::size_t(n) * sizeof(T));
    }

    bool IsOwnItem(T const* p) const
    {
        std::less<T const*> before;
        return fCount > 0 && !before(p, fItems) && before(p, fItems + fCount);
    }

    // Destroys the items from the last down to index n; count becomes n.
    void DestroyItemsFrom(std::int32_t n)
    {
        while (fCount > n)
        {
            --fCount;
            fItems[fCount].~T();
        }
    }
    static void DestroyRange(T* items, std::int32_t n)
    {
        if constexpr (!cBitwise)
        {
            for (std::int32_t i = 0; i < n; ++i)
                items[i].~T();
        }
    }
    // Copies n items into raw slots; on failure the copies made so far are destroyed.
    static void CopyConstruct(T* dst, T const* src, std::int32_t n)
    {
        if constexpr (cBitwise)
        {
            if (n > 0)
                std::memcpy(static_cast<void*>(dst), static_cast<void const*>(src),
                            std::size_t(n) * sizeof(T));
        }
        else
        {
            std::int32_t i = 0;
            try
            {
                for (; i < n; ++i)
                    ::new (static_cast<void*>(dst + i)) T(src[i]);
            }
            catch (...) // undoes the partial copy, then passes the failure on
            {
                DestroyRange(dst, i);
                throw;
            }
        }
    }
    // Moves (or, for a move that may throw, copies) n items into raw slots of a new array; the
    // sources are left to be destroyed by the caller.
    static void ConstructInNewArray(T* dst, T* src, std::int32_t n)
    {
        if constexpr (cBitwise || !cMoveOnGrowth)
            CopyConstruct(dst, src, n);
        else
        {
            for (std::int32_t i = 0; i < n; ++i)
                ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
        }
    }
    // Relocates n items within one array, the ranges possibly overlapping: dst is raw
    // afterwards where src was not, and the vacated slots are raw.
    static void MoveItems(T* dst, T* src, std::int32_t n)
    {
        if (n <= 0 || dst == src)
            return;
        if constexpr (cBitwise)
            std::memmove(static_cast<void*>(dst), static_cast<void const*>(src), std::size_t(n) * sizeof(T));
        else if (dst < src)
        {
            for (std::int32_t i = 0; i < n; ++i)
            {
                ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
                src[i].~T();
            }
        }
        else
        {
            for (std::int32_t i = n - 1; i >= 0; --i)
            {
                ::new (static_cast<void*>(dst + i)) T(std::move(src[i]));
                src[i].~T();
            }
        }
    }

    // Moves the items into a new array of capacity slots, leaving gapSize raw slots at gapAt,
    // and returns the old array. On failure the new array holds nothing and the table is as it was.
    void AdoptArray(T* items, std::int32_t capacity, std::int32_t gapAt, std::int32_t gapSize)
    {
        ConstructInNewArray(items, fItems, gapAt);
        try
        {
            ConstructInNewArray(items + gapAt + gapSize, fItems + gapAt, fCount - gapAt);
        }
        catch (...) // only the copying path throws; the first part is undone
        {
            DestroyRange(items, gapAt);
            throw;
        }
        DestroyRange(fItems, fCount);
        if (fCapacity != 0)
            FreeSlots(fItems, fCapacity);
        fItems = items;
        fCapacity = capacity;
    }

    // Opens a slot at index (count < capacity) and constructs the item there; on failure the
    // items move back.
    template<class U>
    void InsertInPlace(std::int32_t index, U&& item)
    {
        MoveItems(fItems + index + 1, fItems + index, fCount - index);
        try
        {
            ::new (static_cast<void*>(fItems + index)) T(std::forward<U>(item));
        }
        catch (...) // closes the gap again before passing the failure on
        {
            MoveItems(fItems + index, fItems + index + 1, fCount - index);
            throw;
        }
    }

    // The item an iteration is on when one equals value, else the first equal item; -1 for none.
    int FindItemToRemove(T const& value) const
    {
        for (GTableIterator<T>* it = fFirstIterator; it; it = it->fNext)
        {
            if (it->fState == GTableIterator<T>::cNormal && it->fPosition >= 0 && it->fPosition < fCount &&
                fItems[it->fPosition] == value)
                return it->fPosition;
        }
        for (std::int32_t i = 0; i < fCount; ++i)
        {
            if (fItems[i] == value)
                return i;
        }
        return -1;
    }

    T* fItems;
    std::int32_t fCapacity;
    std::int32_t fCount;
    GTableIterator<T>* fFirstIterator;
};
