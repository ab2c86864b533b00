// The part of the macOS file layer that works through Foundation's file manager. Every operation
// keeps an autorelease pool of its own for its duration.
#pragma once

class GPathName;

class PMacFileSystemImpCocoa
{
public:
    PMacFileSystemImpCocoa() = delete;

    // The process's current folder; empty when the system cannot tell.
    static void GetCurrentFolder(GPathName& folder);
};
