// A shared pointer with a plain (not atomic) reference count: the last holder deletes the object.
// One thread at a time uses the holders of one object.
#pragma once

#include <cstdint>

#include "GFastAllocatable.h"

template<class T>
class GSmartPtr
{
public:
    GSmartPtr() : fBlock(nullptr) {}
    // Takes the object; a null object gives an empty pointer. When the shared block cannot be
    // made the object is deleted, so it never leaks.
    explicit GSmartPtr(T* object) : fBlock(nullptr)
    {
        if (!object)
            return;
        try
        {
            fBlock = new Block(object);
        }
        catch (...) // the object was handed over to this pointer, so it goes with the failure
        {
            delete object;
            throw;
        }
    }
    GSmartPtr(GSmartPtr const& other) noexcept : fBlock(other.fBlock)
    {
        if (fBlock)
            ++fBlock->fRefCount;
    }
    GSmartPtr(GSmartPtr&& other) noexcept : fBlock(other.fBlock) { other.fBlock = nullptr; }
    ~GSmartPtr() { DecrRefCount(); }
    GSmartPtr& operator=(GSmartPtr const& other)
    {
        Block* block = other.fBlock;
        if (block == fBlock)
            return *this;
        // Raised first: releasing the old object may destroy other.
        if (block)
            ++block->fRefCount;
        DecrRefCount();
        fBlock = block;
        return *this;
    }
    GSmartPtr& operator=(GSmartPtr&& other) noexcept
    {
        if (this != &other)
        {
            Block* block = other.fBlock;
            other.fBlock = nullptr;
            DecrRefCount();
            fBlock = block;
        }
        return *this;
    }

    // Lets go of the block: the last holder deletes the object and the block. The pointer is
    // empty afterwards.
    void DecrRefCount()
    {
        Block* block = fBlock;
        if (!block)
            return;
        fBlock = nullptr;
        if (block->fRefCount-- <= 1)
        {
            delete block->fObject;
            delete block;
        }
    }

    T* Get() const { return fBlock ? fBlock->fObject : nullptr; }
    T* operator->() const { return fBlock->fObject; }
    T& operator*() const { return *fBlock->fObject; }
    bool IsNull() const { return fBlock == nullptr; }
    int GetRefCount() const { return fBlock ? fBlock->fRefCount : 0; }

    friend bool operator==(GSmartPtr const& a, GSmartPtr const& b) { return a.Get() == b.Get(); }
    friend bool operator!=(GSmartPtr const& a, GSmartPtr const& b) { return a.Get() != b.Get(); }

private:
    struct Block : public GFastAllocatable
    {
        explicit Block(T* object) : fObject(object), fRefCount(1) {}

        T* fObject;
        std::int32_t fRefCount;
    };

    Block* fBlock;
};
