// Hostile archives, as anyone who can put a file where a Sendrixor's archive is expected can write
// them: the bytes are written to a file, opened as an archive and walked, and every entry is
// extracted into memory and into a folder, without and with the password. Nothing crashes or hangs;
// nothing appears beside the folder; an entry whose name leads outside it is never extracted;
// nothing in memory goes beyond the cap; the walk never writes more into the folder than its bound,
// and once it would, the folder holds nothing the walk wrote; extracting does not move the walk.
#include <QString>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>

#include "FuzzCheck.h"
#include "TempFolder.h"
#include "ZipArchive.h"

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace
{
namespace fs = std::filesystem;
using fuzzsupport::Check;

// The password the seed archives were made with.
constexpr char cPassword[] = "secret";

// One folder for the whole run; each input works in "run" inside it, the destination being
// "run/out".
testsupport::TempFolder& Workspace()
{
    static testsupport::TempFolder folder("sendrix-zip-fuzz");
    return folder;
}

std::set<std::string> Names(fs::path const& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (auto const& item : fs::directory_iterator(folder, error))
        names.insert(item.path().filename().string());
    return names;
}

// Everything the folder holds, in bytes.
std::uintmax_t SizeBelow(fs::path const& folder)
{
    std::uintmax_t size = 0;
    std::error_code error;
    for (auto const& item : fs::recursive_directory_iterator(folder, error))
        if (item.is_regular_file(error))
            size += item.file_size(error);
    return size;
}

bool LeadsOutside(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.startsWith(QLatin1Char('/')) || name.split(QLatin1Char('/')).contains(QLatin1String(".."));
}
} // namespace

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    fs::path const run = Workspace().Path() / "run";
    fs::path const out = run / "out";
    std::error_code error;
    fs::remove_all(run, error);
    fs::create_directories(out);
    std::ofstream(run / "archive.zip", std::ios::binary)
        .write(reinterpret_cast<char const*>(data), std::streamsize(size));

    {
        QString const path = QString::fromStdString((run / "archive.zip").string());
        Zolvane::ZipArchive archive(path);
        QString const destination = QString::fromStdString(out.string());
        QString const tooMuch = QString("Can't extract from %1: it would write more than %2 bytes.")
                                    .arg(path)
                                    .arg(Zolvane::ZipArchive::cMaxExtractedSize);
        bool boundPassed = false;
        std::uintmax_t written = 0;
        for (archive.StartIterate(); !archive.AtEnd();)
        {
            QString const name = archive.GetCurrentFileName();
            int const index = archive.GetCurrentIndex();
            for (QString const& password : {QString(), QString::fromLatin1(cPassword)})
            {
                QByteArray const bytes = archive.ExtractCurrentToMemory(password);
                Check(bytes.size() <= Zolvane::ZipArchive::cMaxMemoryEntrySize,
                      "an entry in memory stays below the cap", name.toStdString());
                bool const extracted = archive.ExtractCurrentFile(destination, password, 0);
                Check(!extracted || !LeadsOutside(name), "an entry leading outside the folder is refused",
                      name.toStdString());
                // What each extraction wrote is the file it leaves; the walk's sum counts a file
                // written again as written twice.
                if (extracted)
                {
                    QString relative = name;
                    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
                    std::error_code sizeError;
                    fs::path const item = out / relative.toStdString();
                    if (fs::is_regular_file(item, sizeError))
                        written += fs::file_size(item, sizeError);
                }
                Check(written <= std::uintmax_t(Zolvane::ZipArchive::cMaxExtractedSize) &&
                          SizeBelow(out) <= std::uintmax_t(Zolvane::ZipArchive::cMaxExtractedSize),
                      "the walk writes no more than its bound", name.toStdString());
                boundPassed = boundPassed || (!extracted && archive.GetLastError() == tooMuch);
                if (boundPassed)
                    Check(!extracted && Names(out).empty(), "once past the bound, the walk leaves nothing",
                          name.toStdString());
            }
            Check(archive.GetCurrentFileName() == name && archive.GetCurrentIndex() == index,
                  "extracting does not move the walk", name.toStdString());
            if (!archive.Next())
                break;
        }
    }

    Check(Names(run) == std::set<std::string>({"archive.zip", "out"}), "nothing appears beside the folder");
    Check(Names(Workspace().Path()) == std::set<std::string>({"run"}),
          "nothing appears beside the run's folder");
    fs::remove_all(run, error);
    return 0;
}
