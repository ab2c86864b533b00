// Forward iteration over the entries of a folder.
#include "GFileSystemIterator.h"

GFileSystemIterator const GFileSystemIterator::cEnd;

GFileSystemIterator::GFileSystemIterator(GPathName const& folder, int kinds, int descend)
{
    if (!BeginIterate(folder, kinds, descend))
        return;
    fCurrent.Reset(new GPathName);
    if (!GetNextFileOrFolder(*fCurrent))
    {
        fCurrent.Reset();
        EndIterate();
    }
}

GFileSystemIterator::~GFileSystemIterator()
{
    EndIterate();
}

GFileSystemIterator& GFileSystemIterator::operator++()
{
    if (fCurrent.Get() && !GetNextFileOrFolder(*fCurrent))
    {
        fCurrent.Reset();
        EndIterate();
    }
    return *this;
}

bool operator==(GFileSystemIterator const& a, GFileSystemIterator const& b)
{
    GPathName const* first = a.fCurrent.Get();
    GPathName const* second = b.fCurrent.Get();
    if (!first || !second)
        return !first && !second;
    return *first == *second && a.GetSearchState() == b.GetSearchState();
}
