// A preference module on a file that several processes of the maker read and write: the shared
// preference file "Zolvane.uprefs" and the registry of Sendrixors. Reads hold a shared lock and
// writes an exclusive lock on a lock file beside it ("Zolvane.uprefslock"); both wait for the lock
// without limit. A write replaces the whole file with this module's store: a process that wants the
// others' changes calls Refresh before it changes and writes.
#pragma once

#include "GAutoPtr.h"
#include "GLockByFile.h"
#include "GPathName.h"
#include "GPrefModule.h"

class GPrefSharedFileModule : public GPrefModule
{
public:
    // Reads the file as GPrefFileModule does, under the shared lock.
    GPrefSharedFileModule(GPathName const& path, GEncoding const* encoding);
    ~GPrefSharedFileModule() override;

    // Under the shared lock; the encoding comes from the file's byte-order mark.
    void ReadDict() override;
    // Under the exclusive lock, held from before the temporary file is made until it has replaced
    // the file.
    void WriteDict() override;

    GPathName const& GetPathName() const { return fPath; }
    // The file's path with "lock" added to its extension.
    void GetLockPathName(GPathName& lockPath) const;

    // Read, change and write as one step against the other processes: BeginUpdate takes the
    // exclusive lock, waiting for it, and reads the file under it; until EndUpdate (or the module's
    // end) ReadDict and WriteDict take no lock of their own, so nobody writes in between. A failed
    // read lets go of the lock and throws.
    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return !fUpdateLock.IsNull(); }

private:
    GPathName fPath;
    GAutoPtr<GLockByFile> fUpdateLock;
};
