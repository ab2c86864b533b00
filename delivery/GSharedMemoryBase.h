// A named shared-memory block as the delivery link uses it: reads and writes at a position, clipped
// to the data, under the block's own named inter-process mutex, which this object takes
// recursively. Imp is the platform's block.
#pragma once

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GIPMutexBase.h"
#include "PUNIXIPMutexImp.h"

template<class Imp>
class GSharedMemoryBase
{
public:
    // Opens the existing block of id under its mutex. The mutex is made first, so an id too long
    // for it throws 40201, one too long for the block 40162; otherwise throws as Imp's open does.
    GSharedMemoryBase(GBuffer const& sessionPrefix, GBuffer const& id);
    // Opens the block of id, or creates it with dataSize bytes of data; created tells which. The
    // creator writes the header before it lets go of the mutex, so no opener sees it half-written.
    GSharedMemoryBase(GBuffer const& sessionPrefix, GBuffer const& id, int dataSize, bool& created);
    // Leaves the block under its mutex and lets go of the mutex, however often this object held it.
    // When the mutex cannot be taken, the block is unmapped and this process left in its list, which
    // only the holder of the mutex may change.
    ~GSharedMemoryBase();
    GSharedMemoryBase(GSharedMemoryBase const&) = delete;
    GSharedMemoryBase& operator=(GSharedMemoryBase const&) = delete;

    // Copy up to count bytes between memory and the data at the position, which they advance; the
    // number copied: none from a negative position or one at or past the end, and no more than the
    // data holds from the position.
    int Read(unsigned char* destination, int count);
    int Write(unsigned char const* source, int count);
    // As Read, into out, whose length becomes the number read.
    int Read(GBuffer& out, int count);

    int GetPosition() const { return fPosition; }
    void SetPosition(int position) { fPosition = position; }
    // The data size.
    int GetLength() const { return fPlatform->GetLength(); }

    // Recursive within this object: only the first Lock takes the mutex and the last Unlock frees it.
    // The first waits at most PUNIXSharedObjectSupport::cLockSeconds for another process to let go,
    // then throws 30050001; a holder that is no longer running loses the mutex within a second.
    void Lock();
    void Unlock();
    int GetLockCount() const { return fLockCount; }

    // Whether the block of id can be opened, looked at under its mutex; false when the mutex cannot
    // be taken.
    static bool Exists(GBuffer const& sessionPrefix, GBuffer const& id);
    // The platform block's name for id.
    static GBuffer DataName(GBuffer const& id);
    // Removes the block of id when every process in its list is gone, and its mutex's name with it
    // when no block is left: for the objects of a process known to be gone, which only users that
    // take the mutex through this class wait for (they open the name again when they find it given
    // up). Takes the mutex within PUNIXSharedObjectSupport::cLockSeconds, or leaves everything.
    static void PurgeIfGone(GBuffer const& id);

    Imp& GetPlatformObject() const { return *fPlatform; }

private:
    // Takes the mutex on the segment its name stands for, opening the name again as long as it
    // stands for another; throws 30050001 as Lock does.
    void LockNamedMutex();
    // How many of count bytes lie between the position and the end of a block of length bytes.
    int TransferableFrom(int length, int count) const;

    int fPosition;
    int fLockCount;
    GIPMutexBase<PUNIXIPMutexImp> fMutex;
    GAutoPtr<Imp> fPlatform;
};

class PUNIXSharedMemory;
extern template class GSharedMemoryBase<PUNIXSharedMemory>;
