// Shared-memory blocks with a position and a recursive hold on their named mutex.
#include "GSharedMemoryBase.h"

#include <algorithm>

#include "GException.h"
#include "GIPPrefix.h"
#include "GSharedMemoryLocker.h"
#include "GSimpleException.h"
#include "PUNIXSharedMemory.h"
#include "PUNIXSharedObjectSupport.h"

namespace
{
// A mutex whose segment keeps being given up under this process's eyes is not one to wait for.
constexpr int cMaxMutexReopenings = 100;
} // namespace

template<class Imp>
GSharedMemoryBase<Imp>::GSharedMemoryBase(GBuffer const& sessionPrefix, GBuffer const& id)
    : fPosition(0), fLockCount(0), fMutex(GIPPrefix::cSharedMemoryLock, id)
{
    LockNamedMutex();
    try
    {
        fPlatform.Reset(new Imp(sessionPrefix, DataName(id)));
    }
    catch (...) // the mutex is let go of whatever the platform throws
    {
        Unlock();
        throw;
    }
    Unlock();
}

template<class Imp>
GSharedMemoryBase<Imp>::GSharedMemoryBase(GBuffer const& sessionPrefix, GBuffer const& id, int dataSize,
                                          bool& created)
    : fPosition(0), fLockCount(0), fMutex(GIPPrefix::cSharedMemoryLock, id)
{
    LockNamedMutex();
    try
    {
        fPlatform.Reset(new Imp(sessionPrefix, DataName(id), dataSize, created));
    }
    catch (...) // the mutex is let go of whatever the platform throws
    {
        Unlock();
        throw;
    }
    Unlock();
}

template<class Imp>
void GSharedMemoryBase<Imp>::LockNamedMutex()
{
    // A block given up as left by processes that are all gone takes its mutex's name with it
    // (PurgeIfGone); whoever waited for the old segment meanwhile holds a lock that excludes nobody
    // and opens the name again.
    for (int opening = 0;; ++opening)
    {
        Lock();
        if (fMutex.IsNamed())
            return;
        Unlock();
        if (opening == cMaxMutexReopenings)
            throw GSimpleException(PUNIXSharedObjectSupport::cCannotLock);
        fMutex.Reopen();
    }
}

template<class Imp>
void GSharedMemoryBase<Imp>::PurgeIfGone(GBuffer const& id)
{
    try
    {
        // A block purged already has neither its data nor its lock: the look makes no lock anew.
        GBuffer const name = GBuffer("/") + DataName(id);
        if (!Imp::IsNamed(name) &&
            !Imp::IsNamed(GBuffer("/") + GBuffer(GIPPrefix::GetPrefix(GIPPrefix::cSharedMemoryLock)) + id))
            return;
        GIPMutexBase<PUNIXIPMutexImp> mutex(GIPPrefix::cSharedMemoryLock, id);
        if (!mutex.TryToLock(PUNIXSharedObjectSupport::cLockSeconds) || !mutex.IsNamed())
            return;
        Imp::CheckConsistency(name);
        if (!Imp::IsNamed(name))
            mutex.Unname();
    }
    catch (GException const&)
    {
        // What cannot be looked at is left for the next look.
    }
}

template<class Imp>
GSharedMemoryBase<Imp>::~GSharedMemoryBase()
{
    try
    {
        Lock();
    }
    catch (GException const&)
    {
        // The holder may be changing the block's list of processes this very moment: leaving it
        // without the mutex could undo that change or this one. This process stays listed; the
        // block is only unmapped, and outlives it until a purge finds it gone.
        if (fPlatform.Get())
            fPlatform->Abandon();
    }
    fPlatform.Reset();
    bool const held = fLockCount > 0;
    fLockCount = 0;
    if (held)
        fMutex.Unlock();
}

template<class Imp>
int GSharedMemoryBase<Imp>::TransferableFrom(int length, int count) const
{
    if (fPosition >= 0 && count > 0 && fPosition < length)
        return std::min(count, length - fPosition);
    return 0;
}

template<class Imp>
int GSharedMemoryBase<Imp>::Read(unsigned char* destination, int count)
{
    GSharedMemoryLocker const lock(*this);
    int const transferred = TransferableFrom(fPlatform->GetLength(), count);
    if (transferred > 0)
        fPlatform->Read(fPosition, destination, transferred);
    fPosition += transferred;
    return transferred;
}

template<class Imp>
int GSharedMemoryBase<Imp>::Write(unsigned char const* source, int count)
{
    GSharedMemoryLocker const lock(*this);
    int const transferred = TransferableFrom(fPlatform->GetLength(), count);
    if (transferred > 0)
        fPlatform->Write(fPosition, source, transferred);
    fPosition += transferred;
    return transferred;
}

template<class Imp>
int GSharedMemoryBase<Imp>::Read(GBuffer& out, int count)
{
    GSharedMemoryLocker const lock(*this);
    // Room for what the data can give, not for whatever count a caller read from the block.
    int const length = fPlatform->GetLength();
    int const room =
        fPosition >= 0 && count > 0 && fPosition < length ? std::min(count, length - fPosition) : 0;
    out.SetLength(room);
    int const transferred = Read(out.GetWritePtr(), room);
    out.SetLength(transferred);
    return transferred;
}

template<class Imp>
void GSharedMemoryBase<Imp>::Lock()
{
    if (fLockCount == 0)
    {
        // Bounded: a process that holds the block and never lets go must not hang this one.
        if (!fMutex.TryToLock(PUNIXSharedObjectSupport::cLockSeconds))
            throw GSimpleException(PUNIXSharedObjectSupport::cCannotLock);
        fLockCount = 1;
    }
    else
        ++fLockCount;
}

template<class Imp>
void GSharedMemoryBase<Imp>::Unlock()
{
    if (fLockCount <= 0)
        return;
    if (--fLockCount == 0)
        fMutex.Unlock();
}

template<class Imp>
bool GSharedMemoryBase<Imp>::Exists(GBuffer const& sessionPrefix, GBuffer const& id)
{
    try
    {
        // Under the mutex, so that the open (and the purge it starts with) never meets a block that
        // its creator is still making.
        GIPMutexBase<PUNIXIPMutexImp> mutex(GIPPrefix::cSharedMemoryLock, id);
        // A mutex given up with its block while this process waited for it guards nothing: the name
        // is opened again, as the constructors do.
        for (int opening = 0;; ++opening)
        {
            if (!mutex.TryToLock(PUNIXSharedObjectSupport::cLockSeconds))
                return false;
            if (mutex.IsNamed())
                break;
            if (opening == cMaxMutexReopenings)
                return false;
            mutex.Reopen();
        }
        return Imp::Exists(sessionPrefix, DataName(id));
    }
    catch (GException const&)
    {
        // A block whose mutex cannot be made or taken cannot be used either.
        return false;
    }
}

template<class Imp>
GBuffer GSharedMemoryBase<Imp>::DataName(GBuffer const& id)
{
    return GBuffer(GIPPrefix::GetPrefix(GIPPrefix::cSharedMemoryData)) + id;
}

template class GSharedMemoryBase<PUNIXSharedMemory>;
