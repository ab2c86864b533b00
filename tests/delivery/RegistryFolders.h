// The special folders the registry of Sendrixors lives in, pointed at a fresh temporary folder for
// one test: 35 (the user's preferences) and 53 (the Sendrixors' own folder, whose settings path a
// process builds once, so it is the same for every test of the program).
#pragma once

#include <random>
#include <string>
#include <unistd.h>

#include "GFileSystem.h"
#include "GPathName.h"
#include "GString.h"
#include "TempFolder.h"

namespace deliverytest
{
class RegistryFolders
{
public:
    RegistryFolders()
    {
        GFileSystem::AddSpecialPath(35, PathOf(fFolder.String()));
        GFileSystem::AddSpecialPath(53, Base());
    }
    ~RegistryFolders()
    {
        GFileSystem::RemoveSpecialPath(35);
        GFileSystem::RemoveSpecialPath(53);
    }
    RegistryFolders(RegistryFolders const&) = delete;
    RegistryFolders& operator=(RegistryFolders const&) = delete;

    // Its name holds a random part beside the process id: test programs in worlds of their own
    // (scripts/private-world) share /tmp, and there many of them run under the same process id.
    static GPathName Base()
    {
        static std::string const sBase = "/tmp/sendrix-registry-base-" + std::to_string(getpid()) + "-" +
                                         std::to_string(std::random_device()());
        return PathOf(sBase);
    }
    static GPathName PathOf(std::string const& text)
    {
        GPathName path;
        path.SetNativePathString(GString(text.c_str()));
        return path;
    }
    testsupport::TempFolder const& Folder() const { return fFolder; }

private:
    testsupport::TempFolder fFolder;
};
} // namespace deliverytest
