// Checks shared by the file-system facade's operations.
#pragma once

class GPathName;

class GFileSystemSupport
{
public:
    GFileSystemSupport() = delete;

    // A relative path throws GSimpleException 40068: the file system works on absolute paths only.
    static void ThrowIfRelative(GPathName const& path);
};
