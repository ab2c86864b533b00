// An open file of the system: its path, the position and length the streams see (cached, so that
// streams sharing the file move its descriptor only when they take turns), and a mutex that the
// readers sharing it take around each transfer. Imp is the platform's file (a descriptor).
#pragma once

#include "GPathName.h"
#include "GSmartPtr.h"
#include "PUNIXMutexImp.h"

class GBuffer;

template<class Imp>
class GFileBase : public Imp
{
public:
    // Nothing is opened yet. With deleteOnClose the file is removed when this object goes.
    GFileBase(GPathName const& path, bool deleteOnClose);
    // Closes the file and removes it when asked; failures of either are dropped.
    ~GFileBase() override;

    // Empties out, then reads up to count bytes at the cached position; 0 for a count that is not
    // positive.
    int Read(GBuffer& out, int count) const;
    // Writes at the cached position; an empty buffer writes nothing.
    int Write(GBuffer const& bytes);

    long long GetPos() const override;
    GPathName const& GetFilePath() const override { return fPath; }
    long long GetCachedPos() const override { return fCachedPos; }
    // Moving the cached position marks the descriptor's position as to be restored.
    void SetCachedPos(long long position) const override { fCachedPos = position; }
    long long GetCachedLength() const override { return fCachedLength; }
    void SetCachedLength(long long length) const override { fCachedLength = length; }
    bool GetReopenWritable() const override { return fReopenWritable; }
    void SetReopenWritable(bool reopen) { fReopenWritable = reopen; }
    // Where the streams want the next transfer: the descriptor is moved there before it.
    void MoveTo(long long position) const;

    bool GetIsOpen() const { return fIsOpen; }
    void SetIsOpen(bool open) { fIsOpen = open; }
    // Opens with the mode and keeps it for a later reopen.
    void OpenWith(int mode);

    PUNIXMutexImp& GetMutex() const { return *fMutex; }

private:
    GPathName fPath;
    bool fReopenWritable;
    int fOpenMode;
    bool fDeleteOnClose;
    bool fIsOpen;
    mutable bool fPositionDirty;
    mutable long long fCachedPos;
    mutable long long fCachedLength;
    GSmartPtr<PUNIXMutexImp> fMutex;
};

// Holds the file's mutex for a scope.
template<class Imp>
class GFileMutexLockerBase
{
public:
    explicit GFileMutexLockerBase(GFileBase<Imp> const& file) : fMutex(file.GetMutex()) { fMutex.Lock(); }
    ~GFileMutexLockerBase() { fMutex.Unlock(); }
    GFileMutexLockerBase(GFileMutexLockerBase const&) = delete;
    GFileMutexLockerBase& operator=(GFileMutexLockerBase const&) = delete;

private:
    PUNIXMutexImp& fMutex;
};
