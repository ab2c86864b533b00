// Sendrixors made as a Sendrixor makes them: the archive by a child process running zip, never
// through a shell, the record through the registry of Sendrixors.
#include "SendrixorMaker.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

#include "CSPluginTools.h"
#include "GFileSystem.h"
#include "GMemoryOutStream.h"
#include "GPPActorRegistry.h"
#include "GPPSettings.h"
#include "GPathName.h"
#include "GPrefMemoryModule.h"
#include "GStringSupport.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

namespace sendrixormaker
{
namespace fs = std::filesystem;

namespace
{
// The special folder the Sendrixors' own files live in.
constexpr int cSendrixorFolder = 53;

GPathName PathOf(fs::path const& path)
{
    return GPathName(TextOf(path.string()));
}

// A fresh staging folder, removed with what it holds when it goes.
class StagingFolder
{
public:
    StagingFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "sendrixor-staging-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw MakerError("no staging folder in " + fs::temp_directory_path().string());
        fPath = pattern;
    }
    ~StagingFolder()
    {
        std::error_code error;
        fs::remove_all(fPath, error);
    }
    StagingFolder(StagingFolder const&) = delete;
    StagingFolder& operator=(StagingFolder const&) = delete;
    fs::path const& Path() const { return fPath; }

private:
    fs::path fPath;
};
} // namespace

GString TextOf(std::string const& utf8)
{
    return GString(reinterpret_cast<unsigned char const*>(utf8.data()), static_cast<int>(utf8.size()),
                   GUTF8Encoding::GetInstance(), false);
}

std::string Utf8Of(GString const& text)
{
    GBuffer const bytes = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()),
                       static_cast<std::size_t>(bytes.GetLength()));
}

int RunProgram(std::vector<std::string> const& arguments, fs::path const& folder)
{
    std::vector<char*> argv;
    for (std::string const& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t const child = fork();
    if (child < 0)
        return -1;
    if (child == 0)
    {
        int const quiet = open("/dev/null", O_WRONLY);
        if (chdir(folder.c_str()) != 0 || quiet < 0)
            _exit(127);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR)
    {
    }
    if (waited != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ArchivePassword()
{
    return Utf8Of(GStringSupport::DeScramble(GString(CSPluginTools::kScrambledZipPassword)));
}

void MakeArchive(fs::path const& archive, Entries const& entries, std::string const& password,
                 std::string const& zipPath)
{
    StagingFolder staging;
    std::vector<std::string> arguments{zipPath, "-q", "-X", "-P", password, fs::absolute(archive).string()};
    for (Entry const& entry : entries)
    {
        fs::path const item = staging.Path() / entry.first;
        if (!entry.first.empty() && entry.first.back() == '/')
            fs::create_directories(item);
        else
        {
            fs::create_directories(item.parent_path());
            std::ofstream out(item, std::ios::binary);
            out << entry.second;
            if (!out.flush())
                throw MakerError("cannot write " + item.string());
        }
        arguments.push_back(entry.first);
    }
    fs::create_directories(archive.parent_path());
    int const result = RunProgram(arguments, staging.Path());
    if (result != 0)
        throw MakerError(zipPath + " could not make " + archive.string() + " (exit code " +
                         std::to_string(result) + ")");
}

std::string ProjectPrefs(Settings const& pluginSettings, std::string const& projectName)
{
    GPrefMemoryModule module;
    for (auto const& setting : pluginSettings)
        module.Set(GBuffer("PluginSettings"), GBuffer(setting.first.c_str()), TextOf(setting.second));
    module.Set(GBuffer("Project"), GBuffer("Name"), TextOf(projectName));
    GBuffer bytes;
    {
        GMemoryOutStream out(bytes);
        module.GetPrefsDataToStream(out, GUnicodeEncoding::GetInstance());
    }
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()),
                       static_cast<std::size_t>(bytes.GetLength()));
}

fs::path SettingsFolder(std::string const& guid)
{
    return fs::path(Utf8Of(GFileSystem::GetSpecialPath(cSendrixorFolder).GetNativePathString())) /
           "Sendrixor/Cache/Settings" / guid;
}

void RegisterSendrixor(std::string const& name, fs::path const& archive, bool isPlugin,
                       std::string const& pdfSettings, int build)
{
    GPPSettings settings;
    settings.fApplicationPath = GFileSystem::GetSpecialPath(cSendrixorFolder) /
                                GPathName(TextOf("Sendrixor/Cache/" + std::to_string(build) + "/App"));
    settings.fContextFilePath = PathOf(archive);
    settings.fIsPlugin = isPlugin;
    settings.fPDFSettings = TextOf(pdfSettings);
    settings.fSendrixorName = TextOf(name);
    if (!GPPActorRegistry().Register(TextOf(name), settings))
        throw MakerError("the registry of Sendrixors refused " + name);
}
} // namespace sendrixormaker
