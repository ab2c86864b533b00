// The macOS implementation behind the file-system facade: the portable side of each operation over
// Foundation's file manager (PMacFileSystemImpCocoa) and POSIX calls, with the classic file-error
// codes of the platform mapped to the foundation's exceptions.
#pragma once

class GPathName;

class PMacFileSystemImp
{
public:
    PMacFileSystemImp() = delete;

    // 0 returns; a classic file-error code throws GSimpleException with the id that describes it
    // (40000 to 40064), any other code GException 2450.
    static void CheckForErrors(short code);

    static void GetCurrentFolder(GPathName& folder);
};
