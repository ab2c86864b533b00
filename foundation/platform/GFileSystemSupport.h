// Checks shared by the file-system facade's operations.
#pragma once

#include <string>

class GPathName;

class GFileSystemSupport
{
public:
    GFileSystemSupport() = delete;

    // Whether the file system can take the path: it is absolute and holds no zero character. The
    // system's calls end a path at its first zero byte, so "/f/victim\0.bak" would name "/f/victim".
    static bool IsUsablePath(GPathName const& path);
    // A path that is not usable throws GSimpleException 40068 before anything is asked of the
    // system: the file system works on absolute paths only, and on the whole path.
    static void ThrowIfRelative(GPathName const& path);
    // Whether the native bytes of a path hold a zero byte, which would end the path early.
    static bool HoldsZeroByte(char const* bytes, int length);
    // The path's native bytes (UTF-8) as the system's calls take them. A zero byte would end the
    // path early and name another item: such a path throws GSimpleException 40068 before any call.
    static std::string NativeBytes(GPathName const& path);
};
