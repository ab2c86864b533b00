// A preference module kept in a file of its own: the plug-in's preference file, the user's and the
// system's default files.
#pragma once

#include "GPathName.h"
#include "GPrefModule.h"

class GPrefFileModule : public GPrefModule
{
public:
    // Reads the file in the encoding (a null one takes the encoding from the file's byte-order
    // mark). A failure to read is dropped: the module holds what was read before it, nothing when
    // the file cannot be opened, and a later write keeps the file it could not read as a backup.
    GPrefFileModule(GPathName const& path, GEncoding const* encoding);
    // The file is not written.
    ~GPrefFileModule() override;

    // A missing file is an empty store.
    void ReadDict() override;
    // When dirty, replaces the file whole by the store's text (see GPrefModule::WritePrefsFile).
    void WriteDict() override;
    // Writes the whole store to the new path, which the module keeps from now on.
    virtual void SaveAs(GPathName const& path);

    GPathName const& GetPathName() const { return fPath; }

private:
    GPathName fPath;
};
