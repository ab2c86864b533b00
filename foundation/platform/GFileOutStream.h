// Writing a file: every write goes straight to the file at the file object's cached position.
#pragma once

#include "GAutoPtr.h"
#include "GFileBase.h"
#include "GOutStream.h"
#include "PUNIXFileImp.h"

class GFileOutStream : public GOutStream
{
public:
    typedef GFileBase<PUNIXFileImp> File;

    // Opens the file for writing under an exclusive whole-file lock, creating it (and its folders)
    // when missing; with truncate its old content goes, once the lock is held.
    GFileOutStream(GPathName const& path, bool truncate);
    // Writes into a file object that stays the caller's, from its first byte.
    explicit GFileOutStream(File* file);
    // Takes the file object, and its ownership when the pointer had it.
    explicit GFileOutStream(GAutoPtr<File, GDeletePtr> file);
    ~GFileOutStream() override;

    int Write(GBuffer const& bytes) override;
    // Moves the position without writing; the distance.
    long long Skip(long long count) override;
    void Reset() override;
    // Nothing: every write reaches the file at once.
    void Flush() override {}
    virtual long long GetLength();

    File* GetFile() const { return fFile; }

private:
    bool fOwnsFile;
    File* fFile;
};
