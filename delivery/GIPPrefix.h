// The fixed texts that names of objects shared between processes begin with, one per kind of object.
#pragma once

class GIPPrefix
{
public:
    GIPPrefix() = delete;

    // The values are part of the names other processes look for: never renumber them.
    enum ID
    {
        cDefault = 0,
        cMutex = 1,
        // The data object of a shared-memory block.
        cSharedMemoryData = 2,
        // The named mutex that guards a shared-memory block.
        cSharedMemoryLock = 3
    };

    // The prefix of the kind, zero-terminated; null for a value that names no kind.
    static char const* GetPrefix(ID id);
};
