// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testsupport
{
class TempFolder
{
public:
    explicit TempFolder(std::string const& prefix = "sendrix-test")
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        // Canonical, as the platform layer gives paths back.
        fPath = std::filesystem::canonical(pattern);
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(fPath, error);
    }
    TempFolder(TempFolder const&) = delete;
    TempFolder& operator=(TempFolder const&) = delete;

    std::filesystem::path const& Path() const { return fPath; }
    std::string String() const { return fPath.string(); }
    std::filesystem::path operator/(std::string const& name) const { return fPath / name; }

private:
    std::filesystem::path fPath;
};

// Changes the process's current folder for one scope and back.
class CurrentFolderScope
{
public:
    explicit CurrentFolderScope(std::filesystem::path const& folder)
        : fPrevious(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolderScope()
    {
        std::error_code error;
        std::filesystem::current_path(fPrevious, error);
    }
    CurrentFolderScope(CurrentFolderScope const&) = delete;
    CurrentFolderScope& operator=(CurrentFolderScope const&) = delete;

private:
    std::filesystem::path fPrevious;
};
} // namespace testsupport
