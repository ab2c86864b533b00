// An open file with its cached position and length.
#include "GFileBase.h"

#include "GBuffer.h"
#include "GFileSystem.h"
#include "PUNIXFileImp.h"

template<class Imp>
GFileBase<Imp>::GFileBase(GPathName const& path, bool deleteOnClose)
    : fPath(path), fReopenWritable(false), fOpenMode(0), fDeleteOnClose(deleteOnClose), fIsOpen(false),
      fPositionDirty(false), fCachedPos(0), fCachedLength(-1), fMutex(new PUNIXMutexImp)
{
}

template<class Imp>
GFileBase<Imp>::~GFileBase()
{
    try
    {
        Imp::Close();
        if (fDeleteOnClose)
            GFileSystem::RemoveFile(fPath);
    }
    catch (...) // a file that cannot be closed or removed any more is left as it is; a destructor
                // must not throw, whatever the removal ran into
    {
    }
}

template<class Imp>
void GFileBase<Imp>::OpenWith(int mode)
{
    fOpenMode = mode;
    Imp::Open(mode);
}

template<class Imp>
void GFileBase<Imp>::MoveTo(long long position) const
{
    if (position == fCachedPos)
        return;
    fCachedPos = position;
    fPositionDirty = true;
}

template<class Imp>
int GFileBase<Imp>::Read(GBuffer& out, int count) const
{
    out.SetLength(0);
    if (count <= 0)
        return 0;
    if (fPositionDirty)
    {
        Imp::SetFilePosition();
        fPositionDirty = false;
    }
    return Imp::Read(out, count);
}

template<class Imp>
int GFileBase<Imp>::Write(GBuffer const& bytes)
{
    if (fReopenWritable)
    {
        fReopenWritable = false;
        if (fCachedPos != 0)
            fPositionDirty = true;
        Imp::Reopen(fOpenMode);
    }
    if (bytes.IsEmpty())
        return 0;
    if (fPositionDirty)
    {
        Imp::SetFilePosition();
        fPositionDirty = false;
    }
    return Imp::Write(bytes);
}

template<class Imp>
long long GFileBase<Imp>::GetPos() const
{
    if (fCachedPos < 0)
        fCachedPos = Imp::GetFilePosition();
    return fCachedPos;
}

template class GFileBase<PUNIXFileImp>;
