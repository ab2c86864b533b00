// Which processes run, under which names and ids: the process-wide service that the platform
// start-up installs and its shut-down removes.
#pragma once

#include "GAutoPtr.h"
#include "GString.h"
#include "GTable.h"

class GProcessInfo
{
public:
    virtual ~GProcessInfo();

    // Empties ids, then adds the id of every process whose name matches, in the system's order.
    // Names are compared on their first 16 characters, case counting, as the system keeps them.
    virtual void GetProcessID(GString const& name, GTable<int>& ids, bool currentUserOnly) const = 0;
    // Empties names, then adds one name for every process, in the system's order.
    virtual void GetProcessList(GTable<GString>& names, bool currentUserOnly) const = 0;
    virtual int GetCurrentProcessID() const = 0;
    // False for an id of 0 or less.
    virtual bool IsRunning(int processID) const = 0;
    // The current user's processes whose parent is parentID.
    virtual GTable<int> GetChildProcessIDs(int parentID) const = 0;

    // None before the platform start-up and after its shut-down.
    static GProcessInfo* GetInstance();
    // Deletes the object held before and keeps the new one (or none). Not locked: only the platform
    // start-up and shut-down call it, before and after other threads use the service.
    static void SetInstance(GProcessInfo* instance);

protected:
    GProcessInfo() = default;

private:
    GProcessInfo(GProcessInfo const&) = delete;
    GProcessInfo& operator=(GProcessInfo const&) = delete;

    static GAutoPtr<GProcessInfo> sInstance;
};
