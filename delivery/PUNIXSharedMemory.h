// A named block of POSIX shared memory whose header lists the processes that have it open, so that
// entries of processes that died can be purged and the last process out removes the name.
//
// Any local process can write the block, so every header value is checked before it is used; a
// value the block's own layout cannot have makes the open fail instead.
#pragma once

#include <cstdint>

#include "GBuffer.h"

class PUNIXSharedMemory
{
public:
    // The header, as every process that opens the block reads it: 32-bit fields in the machine's
    // byte order, followed by the data.
    static constexpr int cHeaderSize = 4108;
    // Data size + cHeaderSize.
    static constexpr int cTotalLengthOffset = 0;
    static constexpr int cVersionOffset = 4;
    // Bytes used in the list, 4 per process id.
    static constexpr int cListLengthOffset = 8;
    static constexpr int cListOffset = 12;
    static constexpr int cMaxListLength = 4096;
    static constexpr std::int32_t cVersion = 1;
    // The longest name the constructors take, without the "/" they put in front.
    static constexpr int cMaxNameLength = 28;

    // Opens the existing block "/" + name and lists this process in it. An object larger than its
    // total length is opened (the platform may round sizes up); a block left unmade (smaller than
    // its header, or without its total length) after the creator's time is removed when no other
    // process holds it. Throws GSimpleException: 40162 for an empty name, one longer than
    // cMaxNameLength or holding "/" or a zero byte; 40165 when there is no such block, or it was
    // removed unmade; 40167 when it cannot be mapped or another process holds it smaller than its
    // header; 40168 when its total length is greater than the object, smaller than a header, or
    // still not written while another process holds it; 40154 for another version; 40171 when its
    // list is full or its length is not one a list can have.
    PUNIXSharedMemory(GBuffer const& sessionPrefix, GBuffer const& name);
    // Opens the block, or creates it with dataSize bytes of data, zeroed; created tells which. A
    // block left unmade is removed as above and made anew. Throws as the open constructor does, and
    // 40168 when the block exists with another total length, 40166 when it can be neither opened nor
    // created (a negative size included), 40170 when a new block cannot be sized.
    PUNIXSharedMemory(GBuffer const& sessionPrefix, GBuffer const& name, int dataSize, bool& created);
    // Takes this process out of the list; the last one out unlinks the name.
    ~PUNIXSharedMemory();
    PUNIXSharedMemory(PUNIXSharedMemory const&) = delete;
    PUNIXSharedMemory& operator=(PUNIXSharedMemory const&) = delete;

    // Takes the ids of processes that no longer run out of the list of the block of that POSIX
    // name, and unlinks the name when nobody is left. A block that cannot be read, or whose header
    // is not of this version or holds a list length a list cannot have, is left alone.
    static void CheckConsistency(GBuffer const& posixName);
    // Whether an object of that POSIX name exists.
    static bool IsNamed(GBuffer const& posixName);

    // Lists this process (once more); the new list length. Throws 40171 when the list is full.
    int MarkAcquired();
    // Takes this process out of the list as the destructor does, keeping the block mapped.
    void MarkReleased();
    // Unmaps and closes the block, leaving the list as it is: for a block whose mutex cannot be
    // taken. This process's entry stays until a consistency check finds this process gone.
    void Abandon();

    // The data size.
    int GetLength() const { return fTotalLength - cHeaderSize; }
    // Copies between memory and the data at offset. A range outside the data throws 40163 (read) or
    // 40164 (write) and copies nothing.
    void Read(int offset, void* destination, int count) const;
    void Write(int offset, void const* source, int count);

    static int GetMaxIDSize() { return 28; }
    // Whether the open constructor succeeds on the name; the block is closed again at once.
    static bool Exists(GBuffer const& sessionPrefix, GBuffer const& name);

    GBuffer const& GetSessionPrefix() const { return fSessionPrefix; }
    // "/" followed by the name given.
    GBuffer const& GetName() const { return fName; }
    bool IsAcquired() const { return fAcquired; }

private:
    void CheckName(GBuffer const& name) const;
    // Sizes, maps and writes the header of the object just created.
    void Make(std::int32_t total);
    // Opens the name as it exists: maps it whole, checks the total length and the version, and
    // purges the processes that are gone from its list. expectedTotal is the total length the
    // caller needs, or -1 for any. False when the object was left unmade, or by processes that are
    // all gone, and has been removed (and closed).
    bool AttachExisting(std::int32_t expectedTotal);
    // Removes an object left unmade when no other descriptor holds it, and closes it; false
    // (nothing done) while another holds it.
    bool GiveUpUnmade();
    void UnmapAndClose();
    // Adds this process to the list; the new list length, or -1 (nothing added) when the list is
    // full or its length is not one a list can have.
    int Acquire();
    // Removes one entry of this process from the list, unlinking the name when the list empties.
    void Release();
    void CleanUp();
    [[noreturn]] void Fail(int id);

    std::int32_t* ListEntry(int index) const
    {
        return reinterpret_cast<std::int32_t*>(static_cast<unsigned char*>(fMapping) + cListOffset) + index;
    }

    GBuffer fSessionPrefix;
    GBuffer fName;
    int fDescriptor;
    std::int32_t fTotalLength;
    void* fMapping;
    // The bytes mapped: the whole object, which may be larger than the total length.
    std::size_t fMappedLength;
    bool fAcquired;
    // Set between creating the name and writing the header: a failure there unlinks the name, since
    // nobody else can ever use the block.
    bool fMaking;
};
