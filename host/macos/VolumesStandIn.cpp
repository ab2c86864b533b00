// The volume table of the macOS stand-in: the start-up volume and the folders of the volumes root.
#include "VolumesStandIn.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>

namespace
{
char const cDefaultStartupVolumeName[] = "Macintosh HD";
char const cDefaultVolumesRoot[] = "/Volumes";

std::mutex sMutex;
std::string sStartupVolumeName = cDefaultStartupVolumeName;
std::string sVolumesRoot = cDefaultVolumesRoot;

std::string VolumesRoot()
{
    std::lock_guard<std::mutex> lock(sMutex);
    return sVolumesRoot;
}
} // namespace

std::vector<VolumeStandInEntry> VolumesStandInList()
{
    std::vector<VolumeStandInEntry> volumes{{VolumesStandInStartupVolumeName(), "/"}};
    std::string const root = VolumesRoot();
    std::vector<std::string> names;
    if (DIR* folder = opendir(root.c_str()))
    {
        while (dirent const* entry = readdir(folder))
        {
            std::string const name = entry->d_name;
            struct stat info;
            if (name == "." || name == ".." || lstat((root + "/" + name).c_str(), &info) != 0 ||
                !S_ISDIR(info.st_mode))
                continue;
            names.push_back(name);
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    for (std::string const& name : names)
    {
        // A volume named "A/B" is mounted at "A:B".
        volumes.push_back({VolumesStandInOtherStyleName(name), root + "/" + name});
    }
    return volumes;
}

std::string VolumesStandInStartupVolumeName()
{
    std::lock_guard<std::mutex> lock(sMutex);
    return sStartupVolumeName;
}

bool VolumesStandInIsMountPath(std::string const& path)
{
    if (path == "/")
        return true;
    std::string const root = VolumesRoot();
    if (path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 ||
        path[root.size()] != '/' || path.find('/', root.size() + 1) != std::string::npos)
        return false;
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void VolumesStandInSetStartupVolumeName(char const* name)
{
    std::lock_guard<std::mutex> lock(sMutex);
    sStartupVolumeName = name ? name : cDefaultStartupVolumeName;
}

void VolumesStandInSetVolumesRoot(char const* path)
{
    // References hold canonical paths, so the root is compared in its canonical form.
    std::string root = path ? path : cDefaultVolumesRoot;
    if (char* const real = realpath(root.c_str(), nullptr))
    {
        root = real;
        std::free(real);
    }
    std::lock_guard<std::mutex> lock(sMutex);
    sVolumesRoot = root;
}

std::string VolumesStandInOtherStyleName(std::string name)
{
    for (char& c : name)
    {
        if (c == '/')
            c = ':';
        else if (c == ':')
            c = '/';
    }
    return name;
}
