// The macOS process-information service: the kernel's process table read through sysctl.
#pragma once

#include "GProcessInfo.h"

class PMacXProcessInfo : public GProcessInfo
{
public:
    PMacXProcessInfo() = default;
    ~PMacXProcessInfo() override = default;

    // An unreadable process table gives an empty table, an empty list or false; nothing throws.
    void GetProcessID(GString const& name, GTable<int>& ids, bool currentUserOnly) const override;
    // A process's name is the leaf of the path it was started by, or its command name (16 characters
    // at most) when its arguments cannot be read.
    void GetProcessList(GTable<GString>& names, bool currentUserOnly) const override;
    int GetCurrentProcessID() const override;
    bool IsRunning(int processID) const override;
    GTable<int> GetChildProcessIDs(int parentID) const override;

    // How often the table is read before giving up while it keeps growing between measuring and
    // reading it.
    static constexpr int cMaxTableReads = 8;
};
