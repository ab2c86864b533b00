// Reading a file. Several input streams can share one open file, each with its own position: a
// read first tells the file where this stream stands, so clones may take turns freely.
#pragma once

#include "GFileBase.h"
#include "GInStream.h"
#include "GSmartPtr.h"
#include "PUNIXFileImp.h"

class GFileInStream : public GInStream
{
public:
    typedef GFileBase<PUNIXFileImp> File;

    // Opens the file for reading under a shared whole-file lock; a missing file throws
    // PUNIXSystemException (ENOENT) with the path as context.
    explicit GFileInStream(GPathName const& path);
    // Shares an open file, from its first byte.
    explicit GFileInStream(GSmartPtr<File> const& file);
    ~GFileInStream() override;

    // Shares the file, at the same position.
    GInStream* CreateClone() const override;
    // -1 at the end of the file (the position stays).
    int Read(GBuffer& out, int count) override;
    // Stops at the end of the file; the distance moved.
    long long Skip(long long count) override;
    void Reset() override { fPosition = 0; }
    virtual long long GetLength();

    GSmartPtr<File> const& GetFile() const { return fFile; }
    long long GetPos() const { return fPosition; }
    void SetPos(long long position) { fPosition = position; }

private:
    GSmartPtr<File> fFile;
    long long fPosition;
};
