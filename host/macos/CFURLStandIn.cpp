// The CoreFoundation file-URL stand-in: a POSIX path with a folder mark, and its HFS form.
#include "CFURLStandIn.h"

#include "FileManagerStandIn.h"
#include "VolumesStandIn.h"

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct __CFURL : CFStandInObject
{
    // Without a trailing "/" except for the root; relative when it does not start with "/".
    std::string fPath;
    bool fIsDirectory = false;
};

namespace
{
std::vector<std::string> Split(std::string const& text, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;)
    {
        std::string::size_type const end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}


std::string Join(std::vector<std::string> const& names, char separator)
{
    std::string joined;
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        if (i > 0)
            joined += separator;
        joined += names[i];
    }
    return joined;
}

// Repeated and trailing slashes go; the root stays "/".
std::string NormalPosixPath(std::string const& path)
{
    std::vector<std::string> names;
    for (std::string const& name : Split(path, '/'))
    {
        if (!name.empty())
            names.push_back(name);
    }
    bool const absolute = !path.empty() && path[0] == '/';
    return (absolute ? "/" : "") + Join(names, '/');
}

std::string PosixFromHFS(std::string const& hfs)
{
    // A name without any colon is relative too.
    bool const relative = hfs[0] == ':' || hfs.find(':') == std::string::npos;
    std::vector<std::string> parts = Split(hfs, ':');
    // A trailing colon marks a folder and names nothing.
    if (parts.size() > 1 && parts.back().empty())
        parts.pop_back();
    std::string prefix;
    std::size_t first = 0;
    if (relative)
    {
        if (hfs[0] == ':')
            first = 1;
    }
    else
    {
        prefix = parts[0] == VolumesStandInStartupVolumeName() ? "/"
                                                               : "/Volumes/" + VolumesStandInOtherStyleName(parts[0]) + "/";
        first = 1;
    }
    std::vector<std::string> names;
    for (std::size_t i = first; i < parts.size(); ++i)
        names.push_back(parts[i].empty() ? ".." : VolumesStandInOtherStyleName(parts[i]));
    return NormalPosixPath(prefix + Join(names, '/'));
}

std::string HFSFromPosix(std::string const& posix)
{
    std::vector<std::string> names;
    for (std::string const& name : Split(posix, '/'))
    {
        if (name.empty() || name == ".")
            continue;
        names.push_back(name == ".." ? std::string() : VolumesStandInOtherStyleName(name));
    }
    if (posix[0] != '/')
        return ":" + Join(names, ':');
    std::string volume = VolumesStandInStartupVolumeName();
    std::size_t first = 0;
    if (names.size() >= 2 && names[0] == "Volumes")
    {
        volume = names[1];
        first = 2;
    }
    std::vector<std::string> rest(names.begin() + static_cast<std::ptrdiff_t>(first), names.end());
    return volume + ":" + Join(rest, ':');
}

CFURLRef MakeURL(std::string const& posix, Boolean isDirectory)
{
    __CFURL* url = new __CFURL;
    url->fPath = posix;
    url->fIsDirectory = isDirectory != 0;
    return url;
}
} // namespace

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory)
{
    if (!filePath || CFStringGetLength(filePath) == 0)
        return nullptr;
    std::string const path = CFStringStandInGetUTF8(filePath);
    // A zero byte would end the path for the system's calls: the text names no item.
    if (path.find('\0') != std::string::npos)
        return nullptr;
    if (pathStyle == kCFURLPOSIXPathStyle)
        return MakeURL(NormalPosixPath(path), isDirectory);
    if (pathStyle == kCFURLHFSPathStyle)
        return MakeURL(PosixFromHFS(path), isDirectory);
    return nullptr;
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, UInt8 const* buffer, CFIndex bufLen,
                                                 Boolean isDirectory)
{
    if (!buffer || bufLen <= 0)
        return nullptr;
    std::string const path(reinterpret_cast<char const*>(buffer), static_cast<std::size_t>(bufLen));
    if (path.find('\0') != std::string::npos)
        return nullptr;
    return MakeURL(NormalPosixPath(path), isDirectory);
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle)
{
    if (!anURL)
        return nullptr;
    std::string path;
    if (pathStyle == kCFURLPOSIXPathStyle)
        path = anURL->fPath;
    else if (pathStyle == kCFURLHFSPathStyle)
        path = anURL->fPath.empty() ? std::string() : HFSFromPosix(anURL->fPath);
    else
        return nullptr;
    return CFStringCreateWithCString(kCFAllocatorDefault, path.c_str(), kCFStringEncodingUTF8);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen)
{
    if (!url || !buffer || maxBufLen <= 0)
        return false;
    std::string path = url->fPath;
    if (resolveAgainstBase && (path.empty() || path[0] != '/'))
    {
        std::vector<char> folder(4096);
        if (!getcwd(folder.data(), folder.size()))
            return false;
        path = NormalPosixPath(std::string(folder.data()) + "/" + path);
    }
    // A zero byte inside would end the path early for whoever reads the buffer.
    if (static_cast<CFIndex>(path.size()) >= maxBufLen || path.find('\0') != std::string::npos)
        return false;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return true;
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL)
{
    return anURL && anURL->fIsDirectory;
}

CFURLRef CFURLCreateFromFSRef(CFAllocatorRef, FSRef const* fsRef)
{
    if (!fsRef || fsRef->fPath.empty())
        return nullptr;
    struct stat info;
    return MakeURL(fsRef->fPath, stat(fsRef->fPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}
