// ICommand: a host command: made by its class id, given its data through its further interfaces,
// then processed.
#pragma once

#include "IPMUnknown.h"

class ICommand : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 8
    };
    // Commands the plug-in makes.
    enum : ClassID
    {
        kPDFExportCmdBoss = 9477,
        kSetPDFExportPrefsCmdBoss = kStandInIDBase + 12,
        kBookExportCmdBoss = 65563
    };

    virtual ClassID GetCommandClass() const = 0;
};

class CmdUtils
{
public:
    CmdUtils() = delete;

    // The command with a reference; null when the host has no command of that class.
    static ICommand* CreateCommand(ClassID commandClass);
    // kSuccess when the command did its work.
    static ErrorCode ProcessCommand(ICommand* command);
};
