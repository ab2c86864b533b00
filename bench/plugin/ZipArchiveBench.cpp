// Extracting a Sendrixor-style password-protected archive into a fresh folder with ZipArchive (walk
// and ExtractCurrentFile) against Info-ZIP's unzip run as a process on the same archive: one archive
// of 1,000 small entries and one of a single 50 MB entry, both made with zip -P at start-up. The
// figure is the ratio of rates, ours over unzip's.
#include "BenchRatio.h"

#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "ZipArchive.h"
#include "ZipTool.h"

namespace fs = std::filesystem;

namespace
{
constexpr char cPassword[] = "bench password";
constexpr int cSmallFolders = 10;
constexpr int cSmallFilesPerFolder = 100;
constexpr std::size_t cLargeSize = 50u * 1000 * 1000;

// Text of job-option lines with numbers, which deflates about as well as a PPD file.
std::string OptionText(std::size_t size, std::mt19937& engine)
{
    static char const* const words[] = {"*PageSize", "*Resolution", "*ColorModel", "Letter", "A4",  "True",
                                        "False",     "\"value\"",   "*Duplex",     "300dpi", "CMYK"};
    std::string text;
    text.reserve(size + 64);
    while (text.size() < size)
    {
        text += words[engine() % (sizeof words / sizeof *words)];
        text += ' ';
        text += std::to_string(engine() % 100000);
        text += engine() % 6 == 0 ? '\n' : ' ';
    }
    text.resize(size);
    return text;
}

// Where the archives and extractions live: a RAM file system where there is one. On ext4 a folder
// of 1,000 files deleted between iterations makes creating files slower for half a minute, so the
// side measured later would pay for the deletions of the side measured first.
fs::path BenchFolder()
{
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// The archives, made once; removed at exit.
struct Workspace
{
    Workspace()
    {
        std::string pattern = (BenchFolder() / "sendrix-zip-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        fRoot = pattern;
        std::mt19937 engine(2024);
        fs::path const small = fRoot / "small";
        for (int folder = 0; folder < cSmallFolders; ++folder)
        {
            fs::path const dir = small / "PrinterFiles" / ("folder" + std::to_string(folder));
            fs::create_directories(dir);
            for (int file = 0; file < cSmallFilesPerFolder; ++file)
                std::ofstream(dir / ("option" + std::to_string(file) + ".ppd"))
                    << OptionText(200 + engine() % 2000, engine);
        }
        fs::path const large = fRoot / "large";
        fs::create_directories(large);
        std::ofstream(large / "large.bin", std::ios::binary) << OptionText(cLargeSize, engine);
        if (ziptest::RunProgram({SENDRIX_ZIP_PATH, "-q", "-r", "-P", cPassword,
                                 (fRoot / "small.zip").string(), "PrinterFiles"},
                                small) != 0 ||
            ziptest::RunProgram(
                {SENDRIX_ZIP_PATH, "-q", "-P", cPassword, (fRoot / "large.zip").string(), "large.bin"},
                large) != 0)
            std::abort();
    }
    ~Workspace() { fs::remove_all(fRoot); }

    fs::path Archive(char const* name) const { return fRoot / (std::string(name) + ".zip"); }
    fs::path Out() const { return fRoot / "out"; }

    fs::path fRoot;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

void ExtractWithZipArchive(benchmark::State& state, char const* name)
{
    Workspace& space = TheWorkspace();
    QString const archivePath = QString::fromStdString(space.Archive(name).string());
    QString const out = QString::fromStdString(space.Out().string());
    for (auto _ : state)
    {
        state.PauseTiming();
        fs::remove_all(space.Out());
        fs::create_directories(space.Out());
        state.ResumeTiming();
        Zolvane::ZipArchive archive(archivePath);
        for (archive.StartIterate(); !archive.AtEnd(); archive.Next())
            if (!archive.ExtractCurrentFile(out, cPassword, 0))
                state.SkipWithError(archive.GetLastError().toUtf8().constData());
    }
    fs::remove_all(space.Out());
}

void ExtractWithUnzip(benchmark::State& state, char const* name)
{
    Workspace& space = TheWorkspace();
    std::vector<std::string> const arguments = {
        SENDRIX_UNZIP_PATH,           "-P", cPassword,           "-qq", "-o",
        space.Archive(name).string(), "-d", space.Out().string()};
    for (auto _ : state)
    {
        state.PauseTiming();
        fs::remove_all(space.Out());
        fs::create_directories(space.Out());
        state.ResumeTiming();
        if (ziptest::RunProgram(arguments, space.fRoot) != 0)
            state.SkipWithError("unzip failed");
    }
    fs::remove_all(space.Out());
}

void BM_ZipArchiveSmallEntries(benchmark::State& state)
{
    ExtractWithZipArchive(state, "small");
}
void BM_UnzipSmallEntries(benchmark::State& state)
{
    ExtractWithUnzip(state, "small");
}
void BM_ZipArchiveLargeEntry(benchmark::State& state)
{
    ExtractWithZipArchive(state, "large");
}
void BM_UnzipLargeEntry(benchmark::State& state)
{
    ExtractWithUnzip(state, "large");
}

// Turns alternate, so that neither side gets a warmer cache.
BENCHMARK(BM_UnzipSmallEntries)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_ZipArchiveSmallEntries)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_UnzipLargeEntry)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ZipArchiveLargeEntry)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
} // namespace

int main(int argc, char** argv)
{
    TheWorkspace();
    bench::Times const times = bench::RunAll(argc, argv);
    // Rates are the inverse of times: unzip's time over ours.
    bench::PrintTimeRatio(times, "ZipArchive extraction rate, 1,000 small entries / unzip -P rate",
                          "BM_UnzipSmallEntries/iterations:20/real_time",
                          "BM_ZipArchiveSmallEntries/iterations:20/real_time", "goal >= 0.9");
    bench::PrintTimeRatio(times, "ZipArchive extraction rate, one 50 MB entry / unzip -P rate",
                          "BM_UnzipLargeEntry/iterations:5/real_time",
                          "BM_ZipArchiveLargeEntry/iterations:5/real_time", "goal >= 0.9");
    return 0;
}
