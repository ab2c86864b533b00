// GCPTSmartPathName: a temporary file or folder that removes itself when it goes, and that is
// listed in the plug-in's preference file meanwhile, so that what a crash leaves behind is removed
// when the plug-in's tools next start.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GPathName.h"

class GCPTSmartPathName
{
public:
    // A non-empty path is listed at once, where the plug-in's preference file is installed.
    explicit GCPTSmartPathName(GPathName const& path);
    // Removes the path and takes it off the list.
    virtual ~GCPTSmartPathName();
    GCPTSmartPathName(GCPTSmartPathName const&) = delete;
    GCPTSmartPathName& operator=(GCPTSmartPathName const&) = delete;

    // Removes the path; it stays listed.
    void Remove();
    // Removes the old path and takes the new one, listed under the same key where there is one.
    void SetPath(GPathName const& path);
    GPathName const& GetPath() const { return fPath; }
    GBuffer const& GetKey() const { return fKey; }

    // The first Initialize and the last Finalize remove what the list names and empty it.
    static void Initialize();
    static void Finalize();

    // "SmartFileList" in the plug-in's preference file, with "MaxCount" and "FilePathName_<n>".
    static GBuffer const cGroup;
    static GBuffer const cMaxCountKey;
    static char const* const cKeyPrefix;

private:
    void Register();
    // Removes the file, or the folder with all it holds; failures are let be.
    static void RemovePath(GPathName& path);
    // Removes every listed path that lies in the temporary folder and every listing.
    static void CleanUp();

    GPathName fPath;
    GBuffer fKey;

    static std::int32_t sInitialized;
};
