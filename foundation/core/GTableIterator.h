// The live iterator of a GTable. It is linked into its table, and every insert and removal moves
// it along, so the code run for an item may add or remove items (a receiver that unsubscribes
// while a signal is sent) and the iteration still neither skips nor repeats an item that stays:
//
//     GTableIterator<GReceiver*> it(fReceivers);
//     GReceiver** receiver;
//     while (it.Next(receiver))
//         (*receiver)->Receive(message); // may remove itself, or others, from fReceivers
//
// After the current item was removed, Get and the pointer from Next are stale until the next step.
// A table destroyed under a live iterator ends it: Next then answers false and never touches the
// table again.
#pragma once

#include <cstdint>

template<class T>
class GTable;

template<class T>
class GTableIterator
{
public:
    enum State
    {
        cNormal = 0,
        cEnded = 1,
        // The current item was removed: the position is set so that the next step lands on the
        // item that followed it in the direction of travel.
        cRemoved = 2
    };

    // A forward iteration starts before the first item; a backward one after the last.
    explicit GTableIterator(GTable<T>& table, bool backward = false)
        : fTable(&table), fBackward(backward ? 1 : 0), fPosition(backward ? table.fCount : -1),
          fState(cNormal), fNext(table.fFirstIterator)
    {
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
// The iterator lives on the stack by design; its destructor (or the table's) unlinks it.
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
        table.fFirstIterator = this;
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif
    }
    ~GTableIterator()
    {
        if (fState == cEnded)
            return;
        GTableIterator** link = &fTable->fFirstIterator;
        while (*link != this)
            link = &(*link)->fNext;
        *link = fNext;
    }
    GTableIterator(GTableIterator const&) = delete;
    GTableIterator& operator=(GTableIterator const&) = delete;

    // Steps to the next item; false when the iteration is over or the table was destroyed.
    bool Next()
    {
        if (fState == cEnded)
            return false;
        std::int32_t next = fPosition + (fBackward ? -1 : 1);
        std::int32_t count = fTable->fCount;
        fPosition = next > count ? count : (next < -1 ? -1 : next);
        fState = cNormal;
        return next >= 0 && next < count;
    }
    bool Next(T*& item)
    {
        if (!Next())
            return false;
        item = fTable->fItems + fPosition;
        return true;
    }

    // The current item: valid after Next answered true, until that item is removed.
    T& Get() const
    {
        return fTable->fItems[fPosition];
    }
    int GetPosition() const
    {
        return fPosition;
    }
    State GetState() const
    {
        return static_cast<State>(fState);
    }
    bool IsBackward() const
    {
        return fBackward != 0;
    }

private:
    friend class GTable<T>;

    // The insertion of amount items at index, or the growth of the table at index = count when
    // amount is above 1.
    void ItemsInserted(std::int32_t index, std::int32_t amount)
    {
        bool moves;
        if (fState == cRemoved && index == (fBackward ? fPosition : fPosition + 1))
            moves = !fBackward; // inserted exactly where the next step lands: not visited
        else
            moves = fPosition >= index;
        if (moves)
            fPosition += amount;
    }
    void ItemRemoved(std::int32_t index)
    {
        if (fPosition > index)
            --fPosition;
        else if (fPosition == index)
        {
            fState = cRemoved;
            fPosition = fBackward ? index : index - 1;
        }
    }
    void TailRemoved(std::int32_t newCount, std::int32_t oldCount)
    {
        if (fPosition >= oldCount)
            fPosition -= oldCount - newCount;
        else if (fPosition >= newCount)
        {
            fState = cRemoved;
            fPosition = fBackward ? newCount : newCount - 1;
        }
    }
    void End()
    {
        fPosition = -1;
        fState = cEnded;
    }

    GTable<T>* fTable;
    std::uint8_t fBackward;
    std::int32_t fPosition;
    std::int32_t fState;
    GTableIterator* fNext;
};

#include "GTable.h"
