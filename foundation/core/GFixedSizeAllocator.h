// One size class of the allocator: blocks of one size carved out of 1 MiB chunks, each chunk
// keeping its own free list, so that no block carries a header.
#pragma once

#include <cstddef>
#include <cstdint>

class GFixedSizeAllocator
{
public:
    explicit GFixedSizeAllocator(std::size_t blockSize);
    // Chunks that still hold live blocks are not returned: their blocks may outlive the class.
    ~GFixedSizeAllocator() = default;
    GFixedSizeAllocator(GFixedSizeAllocator const&) = delete;
    GFixedSizeAllocator& operator=(GFixedSizeAllocator const&) = delete;

    void* AllocBlock()
    {
        Chunk* chunk = fCurrentChunk;
        if (!chunk || chunk->fFreeCount == 0)
            chunk = FindChunkWithFreeBlock();
        return TakeOne(chunk);
    }

    // Up to `most` more blocks from the chunk the last AllocBlock took its block from, never
    // starting another chunk, into `blocks` in the order AllocBlock would hand them out; returns
    // how many.
    int TakeBlocks(void** blocks, int most)
    {
        Chunk* chunk = fCurrentChunk;
        int taken = 0;
        if (!chunk)
            return 0;
        for (; taken < most && chunk->fFreeCount > 0; ++taken)
            blocks[taken] = TakeOne(chunk);
        return taken;
    }

    // The block must belong to this class.
    void FreeBlock(void* block)
    {
        Chunk* chunk = fLastFreedChunk;
        if (!chunk || !chunk->Contains(block))
            chunk = FindChunkOf(block);
        auto* freed = static_cast<FreeLink*>(block);
        freed->fNext = chunk->fFreeList;
        chunk->fFreeList = freed;
        ++chunk->fFreeCount;
    }

    // Deletes every chunk whose blocks are all free; returns the bytes given back.
    long ReleaseFreeChunks();

    std::size_t GetBlockSize() const { return fBlockSize; }
    int GetChunkCount() const;

private:
    struct FreeLink
    {
        FreeLink* fNext;
    };

    struct Chunk
    {
        unsigned char* fStorage;
        // Blocks given back; the blocks from fCarved on have never been handed out, and their pages
        // are not touched until they are.
        FreeLink* fFreeList;
        std::int64_t fCarved;
        std::uint64_t fBlockSize;
        std::int32_t fFreeCount;
        std::int32_t fCapacity;
        Chunk* fNext;

        bool Contains(void const* block) const
        {
            auto const address = reinterpret_cast<std::uintptr_t>(block);
            auto const start = reinterpret_cast<std::uintptr_t>(fStorage);
            return address - start < cChunkBytes; // unsigned: below start wraps to a huge value
        }
    };

    static constexpr std::uintptr_t cChunkBytes = 1048576;

    Chunk* FindChunkWithFreeBlock();
    Chunk* FindChunkOf(void const* block);

    // A block of the chunk, which has one free: one given back first, while it is warm; else the
    // next block never handed out.
    void* TakeOne(Chunk* chunk)
    {
        --chunk->fFreeCount;
        if (FreeLink* block = chunk->fFreeList)
        {
            chunk->fFreeList = block->fNext;
            return block;
        }
        return chunk->fStorage + chunk->fCarved++ * fBlockSize;
    }

    std::uint64_t fBlockSize;
    Chunk* fChunks;
    Chunk* fCurrentChunk;
    Chunk* fLastFreedChunk;
};
