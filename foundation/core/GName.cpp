// The process-wide interning of names.
#include "GName.h"

#include "GAutoPtr.h"
#include "GMutexLocker.h"

GName::NamesDictWithMutex::~NamesDictWithMutex()
{
    fNames.DeleteAll();
}

GName::GName(char const* text) : fData(nullptr)
{
    if (!text)
        return;
    GBuffer bytes;
    bytes.SetFromStatic(text);
    SetBuffer(bytes);
}

GName::GName(GBuffer const& bytes) : fData(nullptr)
{
    SetBuffer(bytes);
}

void GName::SetBuffer(GBuffer const& bytes)
{
    if (fData && fData->fName == bytes)
        return;
    NamesDictWithMutex& names = GetNamesDictAndMutex();
    GMutexLocker lock(names.fMutex);
    int slot;
    if (names.fNames.GetExistingIndex(bytes, slot) >= 0)
    {
        fData = names.fNames.GetValueAt(slot);
        return;
    }
    GAutoPtr<NameData> data(new NameData);
    // The caller's bytes may be borrowed for the call only: the name keeps its own copy.
    data->fName = bytes;
    data->fName.GetWritePtr();
    data->fHash = data->fName.GetHash();
    names.fNames.Put(data->fName, data.Get());
    fData = data.Release();
}

GDict<GBuffer, GName::NameData*>& GName::GetNameValues()
{
    return GetNamesDictAndMutex().fNames;
}

GName::NamesDictWithMutex& GName::GetNamesDictAndMutex()
{
    static NamesDictWithMutex sNames;
    return sNames;
}
