// A file as the host names it, its classic Mac path converted as the platform converts it.
#include "IDFile.h"

#include <sys/stat.h>
#include <vector>

#include "macos/CFStringStandIn.h"
#include "macos/CFURLStandIn.h"

IDFile IDFile::FromHFSPath(std::string const& hfsPath)
{
    IDFile file;
    CFStringRef const text =
        CFStringCreateWithBytes(nullptr, reinterpret_cast<UInt8 const*>(hfsPath.data()),
                                static_cast<CFIndex>(hfsPath.size()), kCFStringEncodingUTF8, false);
    if (!text)
        return file;
    CFURLRef const url = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLHFSPathStyle, false);
    CFRelease(text);
    if (!url)
        return file;
    std::vector<UInt8> buffer(hfsPath.size() * 3 + 4096);
    if (CFURLGetFileSystemRepresentation(url, true, buffer.data(), static_cast<CFIndex>(buffer.size())))
        file.fPath = reinterpret_cast<char const*>(buffer.data());
    CFRelease(url);
    return file;
}

IDFile IDFile::FromPOSIXPath(std::string const& posixPath)
{
    IDFile file;
    file.fPath = posixPath;
    return file;
}

std::string IDFile::GetHFSPath() const
{
    if (fPath.empty())
        return std::string();
    CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<UInt8 const*>(fPath.data()), static_cast<CFIndex>(fPath.size()), false);
    if (!url)
        return std::string();
    CFStringRef const text = CFURLCopyFileSystemPath(url, kCFURLHFSPathStyle);
    CFRelease(url);
    if (!text)
        return std::string();
    std::string const hfs = CFStringStandInGetUTF8(text);
    CFRelease(text);
    return hfs;
}

std::string IDFile::GetFileName() const
{
    std::string path = fPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::size_t const slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string IDFile::GetFileNameWithoutExtension() const
{
    std::string const name = GetFileName();
    std::size_t const dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IDFile::Exists() const
{
    struct stat status;
    return !fPath.empty() && stat(fPath.c_str(), &status) == 0;
}
