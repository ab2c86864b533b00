// One size class of the allocator.
#include "GFixedSizeAllocator.h"

#include <cstdlib>
#include <memory>

GFixedSizeAllocator::GFixedSizeAllocator(std::size_t blockSize)
    : fBlockSize(blockSize), fChunks(nullptr), fCurrentChunk(nullptr), fLastFreedChunk(nullptr)
{
}

GFixedSizeAllocator::Chunk* GFixedSizeAllocator::FindChunkWithFreeBlock()
{
    for (Chunk* chunk = fChunks; chunk; chunk = chunk->fNext)
    {
        if (chunk->fFreeCount > 0)
            return fCurrentChunk = chunk;
    }

    // The record is released again if its storage cannot be had.
    auto record = std::make_unique<Chunk>();
    record->fStorage = new unsigned char[cChunkBytes];
    record->fBlockSize = fBlockSize;
    record->fCapacity = static_cast<std::int32_t>(cChunkBytes / fBlockSize);
    record->fFreeCount = record->fCapacity;

    // Blocks are carved in address order as they are first asked for.
    record->fFreeList = nullptr;
    record->fCarved = 0;

    Chunk* chunk = record.release();
    chunk->fNext = fChunks;
    fChunks = chunk;
    return fCurrentChunk = chunk;
}

GFixedSizeAllocator::Chunk* GFixedSizeAllocator::FindChunkOf(void const* block)
{
    Chunk* chunk = fChunks;
    while (chunk && !chunk->Contains(block))
        chunk = chunk->fNext;
    // A block of another class or of no chunk at all would corrupt whatever list took it.
    if (!chunk)
        std::abort();
    return fLastFreedChunk = chunk;
}

long GFixedSizeAllocator::ReleaseFreeChunks()
{
    long released = 0;
    for (Chunk** link = &fChunks; *link;)
    {
        Chunk* chunk = *link;
        if (chunk->fFreeCount != chunk->fCapacity)
        {
            link = &chunk->fNext;
            continue;
        }
        *link = chunk->fNext;
        delete[] chunk->fStorage;
        delete chunk;
        released += cChunkBytes;
        fCurrentChunk = nullptr;
        fLastFreedChunk = nullptr;
    }
    return released;
}

int GFixedSizeAllocator::GetChunkCount() const
{
    int count = 0;
    for (Chunk const* chunk = fChunks; chunk; chunk = chunk->fNext)
        ++count;
    return count;
}
