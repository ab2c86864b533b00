// Trace settings: a damaged or hostile settings file is read as far as it goes without harm, and
// trace calls then write or drop their lines as it says.
#include "FuzzSupport.h"

#include <cstdio>
#include <filesystem>

#include "GException.h"
#include "GFileSystem.h"
#include "GMemoryOutStream.h"
#include "GTrace.h"

using namespace fuzzsupport;

namespace
{
std::filesystem::path const& Folder()
{
    // Settings count only from a folder no one else can write into: mkdtemp makes it so, whatever
    // the umask.
    static std::filesystem::path const& folder = OwnTemporaryFolder("TraceSettingsFuzz");
    return folder;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    GFileSystem::AddSpecialPath(-6, GPathName((Folder() / "Fuzz.dylib").c_str()));
    GFileSystem::AddSpecialPath(GFileSystem::cDebugFolderID, GPathName(Folder().c_str()));
    std::FILE* file = std::fopen((Folder() / "Fuzz.tpr").c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    GBuffer log;
    try
    {
        GTrace trace(GAutoPtr<GOutStream, GDeletePtr>(new GMemoryOutStream(log)));
        for (char const* category : {"Foo", "FooAS", "FooDE", "Defaults", ""})
        {
            GBuffer const name(category);
            int const before = log.GetLength();
            trace.Trace(name, GCodeLocation{"F.cpp", "F", 1}, "message");
            Check((log.GetLength() > before) == trace.GetNeedsLogging(name),
                  "a line is written exactly when its category asks for it");
            (void)trace.GetAlertOnLog(name);
        }
    }
    catch (GException const&)
    {
        Fail("a readable settings file never throws");
    }
    return 0;
}
