// Reading a file through shared open files.
#include "GFileInStream.h"

#include "GBuffer.h"
#include "GExceptionLocation.h"

GFileInStream::GFileInStream(GPathName const& path) : fFile(new File(path, false)), fPosition(0)
{
    GExceptionLocation location(fFile->GetFilePath());
    if (!fFile->GetIsOpen())
        fFile->OpenWith(PUNIXFileImp::cRead);
    fFile->SetIsOpen(true);
}

GFileInStream::GFileInStream(GSmartPtr<File> const& file) : fFile(file), fPosition(0)
{
}

GFileInStream::~GFileInStream() = default;

GInStream* GFileInStream::CreateClone() const
{
    GFileInStream* clone = new GFileInStream(fFile);
    clone->fPosition = fPosition;
    return clone;
}

int GFileInStream::Read(GBuffer& out, int count)
{
    GExceptionLocation location(fFile->GetFilePath());
    GFileMutexLockerBase<PUNIXFileImp> lock(*fFile);
    fFile->MoveTo(fPosition);
    int const read = fFile->Read(out, count);
    fPosition += read;
    return read > 0 ? read : -1;
}

long long GFileInStream::Skip(long long count)
{
    if (count <= 0)
        return 0;
    long long const rest = GetLength() - fPosition;
    long long const moved = count < rest ? count : (rest > 0 ? rest : 0);
    fPosition += moved;
    return moved;
}

long long GFileInStream::GetLength()
{
    GExceptionLocation location(fFile->GetFilePath());
    GFileMutexLockerBase<PUNIXFileImp> lock(*fFile);
    if (fFile->GetCachedLength() < 0)
        fFile->SetCachedLength(fFile->PUNIXFileImp::GetLength());
    return fFile->GetCachedLength();
}
