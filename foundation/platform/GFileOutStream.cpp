// Writing a file.
#include "GFileOutStream.h"

#include "GExceptionLocation.h"
#include "GFileSystem.h"

GFileOutStream::GFileOutStream(GPathName const& path, bool truncate) : fOwnsFile(true), fFile(new File(path, false))
{
    try
    {
        GExceptionLocation location(fFile->GetFilePath());
        if (!GFileSystem::FileExists(path))
            GFileSystem::CreateFile(path);
        if (!fFile->GetIsOpen())
            fFile->OpenWith(PUNIXFileImp::cWrite | PUNIXFileImp::cCreate | (truncate ? PUNIXFileImp::cTruncate : 0));
        fFile->SetIsOpen(true);
    }
    catch (...) // the file object is this stream's alone until the constructor ends
    {
        delete fFile;
        throw;
    }
}

GFileOutStream::GFileOutStream(File* file) : fOwnsFile(false), fFile(file)
{
    fFile->MoveTo(0);
}

GFileOutStream::GFileOutStream(GAutoPtr<File, GDeletePtr> file) : fOwnsFile(file.IsOwner()), fFile(file.Release())
{
    fFile->MoveTo(0);
}

GFileOutStream::~GFileOutStream()
{
    if (fOwnsFile)
        delete fFile;
}

int GFileOutStream::Write(GBuffer const& bytes)
{
    GExceptionLocation location(fFile->GetFilePath());
    return fFile->Write(bytes);
}

long long GFileOutStream::Skip(long long count)
{
    fFile->MoveTo(fFile->GetPos() + count);
    return count;
}

void GFileOutStream::Reset()
{
    fFile->MoveTo(0);
}

long long GFileOutStream::GetLength()
{
    GExceptionLocation location(fFile->GetFilePath());
    if (fFile->GetCachedLength() < 0)
        fFile->SetCachedLength(fFile->PUNIXFileImp::GetLength());
    return fFile->GetCachedLength();
}
