// The file-system facade against the standard library on real trees: a deep copy and a removal of
// 10,000 small files (100 folders of 100 files) against std::filesystem::copy and remove_all, and one
// existence test against one stat.
#include "BenchRatio.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "GBasicFrameworkCoreLayer.h"
#include "GFileSystem.h"
#include "GPathName.h"
#include "GUTF8Encoding.h"

namespace fs = std::filesystem;

namespace
{
constexpr int cFolders = 100;
constexpr int cFilesPerFolder = 100;

GPathName PathOf(fs::path const& path)
{
    std::string const text = path.string();
    return GPathName(GString(reinterpret_cast<unsigned char const*>(text.data()),
                             static_cast<int>(text.size()), GUTF8Encoding::GetInstance(), true));
}

// A fresh folder under the temporary folder holding the source tree, removed at exit.
struct Workspace
{
    Workspace()
    {
        std::string pattern = (fs::temp_directory_path() / "sendrix-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        fRoot = pattern;
        std::string const content(100, 'x');
        for (int folder = 0; folder < cFolders; ++folder)
        {
            fs::path const dir = Source() / ("folder" + std::to_string(folder));
            fs::create_directories(dir);
            for (int file = 0; file < cFilesPerFolder; ++file)
                std::ofstream(dir / ("file" + std::to_string(file) + ".txt")) << content;
        }
    }
    ~Workspace() { fs::remove_all(fRoot); }

    fs::path Source() const { return fRoot / "tree"; }
    fs::path Copies() const { return fRoot / "copies"; }

    fs::path fRoot;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

void BM_StdCopy(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    fs::create_directories(space.Copies());
    for (auto _ : state)
    {
        fs::copy(space.Source(), space.Copies() / "tree", fs::copy_options::recursive);
        state.PauseTiming();
        fs::remove_all(space.Copies() / "tree");
        state.ResumeTiming();
    }
    fs::remove_all(space.Copies());
}

void BM_CopyFolderTo(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    GPathName const source = PathOf(space.Source());
    GPathName const copies = PathOf(space.Copies());
    for (auto _ : state)
    {
        GPathName result;
        GFileSystem::CopyFolderTo(source, copies, result, false);
        state.PauseTiming();
        fs::remove_all(space.Copies());
        state.ResumeTiming();
    }
}

void BM_StdRemoveAll(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    for (auto _ : state)
    {
        state.PauseTiming();
        fs::copy(space.Source(), space.Copies(), fs::copy_options::recursive);
        state.ResumeTiming();
        fs::remove_all(space.Copies());
    }
}

void BM_RecursiveRemoveFolder(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    GPathName const copies = PathOf(space.Copies());
    for (auto _ : state)
    {
        state.PauseTiming();
        fs::copy(space.Source(), space.Copies(), fs::copy_options::recursive);
        state.ResumeTiming();
        GFileSystem::RecursiveRemoveFolder(copies, -1, 10);
        GFileSystem::RemoveFolderOnly(copies);
    }
}

void BM_Stat(benchmark::State& state)
{
    std::string const file = (TheWorkspace().Source() / "folder7" / "file7.txt").string();
    for (auto _ : state)
    {
        struct stat info;
        benchmark::DoNotOptimize(stat(file.c_str(), &info));
    }
}

void BM_FileExists(benchmark::State& state)
{
    GPathName const file = PathOf(TheWorkspace().Source() / "folder7" / "file7.txt");
    for (auto _ : state)
        benchmark::DoNotOptimize(GFileSystem::FileExists(file));
}

BENCHMARK(BM_StdCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyFolderTo)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StdRemoveAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecursiveRemoveFolder)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stat);
BENCHMARK(BM_FileExists);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "CopyFolderTo time / std::filesystem::copy time",
                          "BM_CopyFolderTo/iterations:3", "BM_StdCopy/iterations:3", "goal <= 2");
    bench::PrintTimeRatio(times, "RecursiveRemoveFolder time / std::filesystem::remove_all time",
                          "BM_RecursiveRemoveFolder/iterations:3", "BM_StdRemoveAll/iterations:3",
                          "goal <= 2");
    bench::PrintTimeRatio(times, "FileExists time / stat time", "BM_FileExists", "BM_Stat",
                          "for information");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
