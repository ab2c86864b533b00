// The one door through which the system touches files and folders: static operations over the
// platform implementation Imp, which carries them out.
#pragma once

class GPathName;

template<class Imp>
class GFileSystemBase
{
public:
    GFileSystemBase() = delete;

    static void GetCurrentFolder(GPathName& folder) { Imp::GetCurrentFolder(folder); }
};
