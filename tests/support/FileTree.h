// Small helpers for tests that build trees of real files: write and read a file, make a folder or a
// symbolic link, read a mode, and name a path as a GPathName.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

#include "GPathName.h"
#include "StringText.h"

namespace testsupport
{
inline GPathName PathOf(std::filesystem::path const& path)
{
    return GPathName(TextOf(path.string()));
}

// The portable text of a path as UTF-8.
inline std::string PortableOf(GPathName const& path)
{
    return Utf8Of(path.GetCrossPlatformString());
}

inline std::filesystem::path FsPathOf(GPathName const& path)
{
    return std::filesystem::path(Utf8Of(path.GetNativePathString()));
}

// Writes the file, making its folders first.
inline void WriteFile(std::filesystem::path const& file, std::string const& content = "x")
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

inline std::string ReadFile(std::filesystem::path const& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The permission bits of the object itself (a link is not followed).
inline int ModeOf(std::filesystem::path const& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}

inline bool IsLink(std::filesystem::path const& path)
{
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path));
}

// Whether anything, a broken link included, stands at the path.
inline bool Exists(std::filesystem::path const& path)
{
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}
} // namespace testsupport
