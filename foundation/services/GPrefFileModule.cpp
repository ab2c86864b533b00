// The preference module of a file owned by one program.
#include "GPrefFileModule.h"

#include "GException.h"

GPrefFileModule::GPrefFileModule(GPathName const& path, GEncoding const* encoding) : fPath(path)
{
    SetEncoding(encoding);
    try
    {
        GPrefFileModule::ReadDict();
    }
    catch (GException const&) // a module is made in any case; its Refresh reports the failure again
    {
    }
}

GPrefFileModule::~GPrefFileModule() = default;

void GPrefFileModule::ReadDict()
{
    fDirty = false;
    ReadPrefsFile(fPath, GetEncoding());
}

void GPrefFileModule::WriteDict()
{
    if (fDirty)
        WritePrefsFile(fPath);
}

void GPrefFileModule::SaveAs(GPathName const& path)
{
    fPath = path;
    fDirty = true;
    WriteDict();
}
