// An open file of the system as a POSIX descriptor: open modes, whole-file locks, reads and writes
// that keep the cached position of the file object above it up to date. Every failing system call
// throws PUNIXSystemException with errno.
//
// The whole-file locks guard against other processes only (PUNIXFileLocks): this process may open
// its own file again, to read or to write, while the lock holds another process off; and they stay
// while the process opens and closes the same file elsewhere (an existence or in-use test).
#pragma once

#include "GCommonFileImp.h"
#include "PUNIXFileLocks.h"

class GBuffer;
class GPathName;

class PUNIXFileImp : public GCommonFileImp
{
public:
    // Bits of an open mode.
    enum OpenMode
    {
        cRead = 1,
        cWrite = 2,
        // Create the file when missing (permissions 0600), and its folder first when that is missing.
        cCreate = 4,
        // Empty the file; counts as write access.
        cTruncate = 8,
        cNoReadLock = 16,
        cNoWriteLock = 32,
        // Refuse a path whose last component is a symbolic link.
        cNoFollow = 64
    };

    PUNIXFileImp() : fDescriptor(-1) {}
    ~PUNIXFileImp() override;

    virtual long long GetPos() const = 0;
    virtual GPathName const& GetFilePath() const = 0;
    // -1 stands for unset.
    virtual long long GetCachedPos() const = 0;
    virtual void SetCachedPos(long long position) const = 0;
    virtual long long GetCachedLength() const = 0;
    virtual void SetCachedLength(long long length) const = 0;
    virtual bool GetReopenWritable() const = 0;

    // Opens the file's path, replacing (and closing) a descriptor already held. A write open takes an
    // exclusive lock on the whole file, a read open a shared one (unless bits 32 or 16 say no); a lock
    // that another process holds makes the open fail at once, and so does a lock that cannot be taken
    // (ENOLCK); only a file system without record locks opens unlocked. The file is emptied only once
    // the lock is held, so a file locked elsewhere is never touched.
    void Open(int mode);
    void Close();
    void Reopen(int mode);
    bool IsOpen() const { return fDescriptor >= 0; }

    // One read of up to count bytes into out; the count read (0 at the end of the file).
    int Read(GBuffer& out, int count) const;
    // Writes the whole buffer, resuming after short writes; the buffer's length.
    int Write(GBuffer const& bytes);
    // With a descriptor the offset of the end (the descriptor and the cached position stay where
    // they were); without one the size of the file at the path, or -1 when there is none.
    long long GetLength() const;
    long long GetFilePosition() const;
    // Moves the descriptor to the cached position when it stands elsewhere.
    void SetFilePosition() const;
    // Waits until everything written has reached the disk; nothing without a descriptor.
    void SyncToDisk();
    // A lock (or, with lock false, an unlock) of a region, without waiting.
    void SetRegionLocked(long long start, long long length, bool lock, bool exclusive);

private:
    int fDescriptor;
    // The lock the descriptor's open asked for, given back when it closes.
    PUNIXFileLocks::Hold fLockHold;
};
