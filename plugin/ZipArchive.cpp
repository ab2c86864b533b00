// Zolvane::ZipArchive: walks a Sendrixor's password-protected archive and extracts its entries.
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "EncodeEnvironment.h"
#include "GBQCEncode.h"
#include "ILogInterface.h"
#include "ZipEntryReader.h"
#include "ZipSupport.h"

namespace Zolvane
{
namespace
{
constexpr uLong cLongestNameOrExtra = 65536;
constexpr uLong cDosFolder = 0x10;
constexpr int cBlockSize = 4096;
// What a Sendrixor writes beside an entry's name: a record of this id (read little-endian) holding
// the name in UTF-8 after a byte order mark.
constexpr unsigned cNameRecordId = 0xD7D3;
// A record's id and its size (big-endian, signed).
constexpr std::size_t cRecordHeader = 6;

// The name of the name record when the extra field has one; found is set when it does.
QString NameFromExtraField(unsigned char const* extra, std::size_t length, bool& found)
{
    found = false;
    std::size_t position = 0;
    while (length - position >= cRecordHeader)
    {
        unsigned char const* const record = extra + position;
        unsigned const id = record[0] | (record[1] << 8);
        // The size is signed: compared unsigned, a negative one is too large and ends the scan.
        std::uint32_t const size = (std::uint32_t(record[2]) << 24) | (std::uint32_t(record[3]) << 16) |
                                   (std::uint32_t(record[4]) << 8) | std::uint32_t(record[5]);
        position += cRecordHeader;
        // The usual layout of extra fields, with a 2-byte size, mostly ends the scan here.
        if (size > length - position)
            return QString();
        unsigned char const* const data = extra + position;
        position += size;
        if (id == cNameRecordId && size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        {
            found = true;
            return GBQCEncode::fromUtf8(reinterpret_cast<char const*>(data + 3), static_cast<int>(size - 3));
        }
    }
    return QString();
}

QString DecodeName(QByteArray const& rawName, unsigned char const* extra, std::size_t extraLength)
{
    bool recordFound = false;
    QString const recorded = NameFromExtraField(extra, extraLength, recordFound);
    if (recordFound && !recorded.isEmpty())
        return recorded;
    if (recordFound || GBQCEncode::isValidUtf8(rawName))
        return GBQCEncode::fromUtf8(rawName);
    if (EncodeEnvironment::runningInJapaneseEnvironment())
        return GBQCEncode::fromShiftJis(rawName);
    return GBQCEncode::fromMacRoman(rawName);
}

// Whether a "/"-separated entry path would reach outside the folder it is extracted into.
bool LeadsOutside(QString const& path)
{
    return path.startsWith(QLatin1Char('/')) || path.split(QLatin1Char('/')).contains(QLatin1String(".."));
}

// An entry path as one relative to the folder. Qt takes a path that starts with ":" for one of its
// resources, absolute, so "dest" joined with ":x" would be ":x" in the working folder.
QString InsideFolder(QString const& path)
{
    return QStringLiteral("./") + path;
}

// What the item has, with what the entry asks for added. Qt's user flags are left out: they tell
// what this process may do (everything, for root) and would be written back as owner bits.
void ApplyPermissions(QString const& path, uLong attributes, int extraAttributes)
{
    QFileDevice::Permissions const current =
        QFileInfo(path).permissions() &
        ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    QFile::setPermissions(path, current | ZipSupport::GetPermissions(attributes, extraAttributes));
}

// The topmost folder of the path, or the path itself, that does not exist yet: what making the path
// brings into being. Empty when the path exists.
QString FirstMissing(QString const& absolute)
{
    QString missing;
    for (QString path = QDir::cleanPath(absolute); !QFileInfo::exists(path);)
    {
        missing = path;
        QString const parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    return missing;
}

// The fixed part of a local header, which comes before an entry's name, extra field and data.
constexpr ZPOS64_T cLocalHeaderSize = 30;

void LogError(char const* message, char const* location)
{
    log_assert(QString::fromLatin1(message), QString::fromLatin1(location));
}

// The archive file as minizip reads it, in place of its stdio functions: minizip seeks before
// nearly every read, field by field, and glibc's fseek makes a system call each time, even within
// its buffer. Here a seek only moves a position, and reads come from two windows of the file, one
// for the central directory and one for the entries' data, which minizip reads in turns.
class ArchiveFile
{
public:
    bool Open(QString const& path)
    {
        fFile.setFileName(path);
        if (!fFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return false;
        fSize = static_cast<ZPOS64_T>(std::max<qint64>(fFile.size(), 0));
        return true;
    }

    uLong Read(void* buffer, uLong size)
    {
        unsigned char* const out = static_cast<unsigned char*>(buffer);
        uLong done = 0;
        while (done < size && fPosition < fSize)
        {
            uLong const left = size - done;
            if (Window* const window = WindowAt(fPosition))
            {
                uLong const count = static_cast<uLong>(std::min<ZPOS64_T>(left, window->fEnd - fPosition));
                std::memcpy(out + done, window->fBytes.get() + (fPosition - window->fStart), count);
                done += count;
                fPosition += count;
                continue;
            }
            if (!Refill(left))
                break;
        }
        return done;
    }

    ZPOS64_T Tell() const { return fPosition; }

    long Seek(ZPOS64_T offset, int origin)
    {
        ZPOS64_T const base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                              : origin == ZLIB_FILEFUNC_SEEK_CUR ? fPosition
                                                                 : fSize;
        fPosition = base + offset;
        return 0;
    }

    bool Failed() const { return fFailed; }

private:
    static constexpr ZPOS64_T cWindowSize = 64 * 1024;

    struct Window
    {
        std::unique_ptr<unsigned char[]> fBytes;
        ZPOS64_T fStart = 0;
        ZPOS64_T fEnd = 0;
    };

    Window* WindowAt(ZPOS64_T position)
    {
        for (int i = 0; i < 2; ++i)
            if (position >= fWindows[i].fStart && position < fWindows[i].fEnd)
            {
                fLastUsed = i;
                return &fWindows[i];
            }
        return nullptr;
    }

    // Reads the window used less recently again so that it holds the position (minizip never
    // asks for more than a window at once). Reading backwards, as the search for the end record
    // does, the window ends where the read does.
    bool Refill(uLong wanted)
    {
        int const index = 1 - fLastUsed;
        Window& window = fWindows[index];
        ZPOS64_T start = fPosition;
        Window const& other = fWindows[fLastUsed];
        if (fPosition < other.fStart && other.fStart - fPosition < cWindowSize)
            start = fPosition + std::min<ZPOS64_T>(wanted, cWindowSize) > cWindowSize
                        ? fPosition + std::min<ZPOS64_T>(wanted, cWindowSize) - cWindowSize
                        : 0;
        if (!window.fBytes)
            window.fBytes.reset(new unsigned char[cWindowSize]);
        qint64 const count = ReadAt(start, window.fBytes.get(), cWindowSize);
        window.fStart = start;
        window.fEnd = start + static_cast<ZPOS64_T>(std::max<qint64>(count, 0));
        fLastUsed = index;
        return fPosition < window.fEnd;
    }

    qint64 ReadAt(ZPOS64_T position, unsigned char* buffer, ZPOS64_T size)
    {
        qint64 const count = fFile.seek(static_cast<qint64>(position))
                                 ? fFile.read(reinterpret_cast<char*>(buffer), static_cast<qint64>(size))
                                 : -1;
        if (count < 0)
            fFailed = true;
        return count;
    }

    QFile fFile;
    ZPOS64_T fSize = 0;
    ZPOS64_T fPosition = 0;
    Window fWindows[2];
    int fLastUsed = 0;
    bool fFailed = false;
};

voidpf OpenArchiveFile(voidpf, void const* path, int mode)
{
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    auto file = std::make_unique<ArchiveFile>();
    if (!file->Open(QString::fromUtf8(static_cast<char const*>(path))))
        return nullptr;
    return file.release();
}

uLong ReadArchiveFile(voidpf, voidpf file, void* buffer, uLong size)
{
    return static_cast<ArchiveFile*>(file)->Read(buffer, size);
}

uLong WriteArchiveFile(voidpf, voidpf, void const*, uLong)
{
    return 0;
}

ZPOS64_T TellArchiveFile(voidpf, voidpf file)
{
    return static_cast<ArchiveFile*>(file)->Tell();
}

long SeekArchiveFile(voidpf, voidpf file, ZPOS64_T offset, int origin)
{
    return static_cast<ArchiveFile*>(file)->Seek(offset, origin);
}

int CloseArchiveFile(voidpf, voidpf file)
{
    delete static_cast<ArchiveFile*>(file);
    return 0;
}

int ArchiveFileError(voidpf, voidpf file)
{
    return static_cast<ArchiveFile*>(file)->Failed() ? 1 : 0;
}
} // namespace

ZipArchive::ZipArchive(QString const& path)
    : fPath(QDir::toNativeSeparators(path)), fArchive(nullptr), fCurrentIndex(0), fCount(0), fCurrentInfo(),
      fLastError(tr("No last error, the user should not get this message."))
{
}

ZipArchive::~ZipArchive()
{
    CloseArchive();
}

void ZipArchive::CloseArchive()
{
    if (fArchive)
        unzClose(fArchive);
    fArchive = nullptr;
    fOverlap = Overlap::Unknown;
}

bool ZipArchive::OpenArchive() const
{
    if (fArchive)
        return true;
    zlib_filefunc64_def functions = {OpenArchiveFile, ReadArchiveFile,  WriteArchiveFile, TellArchiveFile,
                                     SeekArchiveFile, CloseArchiveFile, ArchiveFileError, nullptr};
    // The path as given first: only a file system that treats both Unicode forms of a name alike
    // (as the macOS one does) finds a precomposed name, as Linux keeps it, by its decomposed form.
    QByteArray const given = fPath.toUtf8();
    fArchive = unzOpen2_64(given.constData(), &functions);
    QByteArray const normalized = GBQCEncode::normalizeFilepathForLocalToUtf8(fPath);
    if (!fArchive && normalized != given)
        fArchive = unzOpen2_64(normalized.constData(), &functions);
    if (fArchive)
        return true;
    log_assert(QStringLiteral("Can't open zip archive: ") + fPath, QStringLiteral("OpenArchive"));
    return false;
}

int ZipArchive::StartIterate() const
{
    fCurrentIndex = 0;
    fCount = 0;
    fCurrentName.clear();
    fWalkWritten = 0;
    fWalkFailed = false;
    fWalkMade.clear();
    if (!OpenArchive())
        return 0;
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(fArchive, &global) != UNZ_OK)
        LogError("Error with zipfile in unzGetGlobalInfo", "StartIterate");
    else
        fCount = static_cast<int>(std::min<ZPOS64_T>(global.number_entry, INT_MAX));
    if (fCount == 0)
        return 0;
    if (unzGoToFirstFile(fArchive) != UNZ_OK)
        LogError("Error with zipfile in unzGoToFirstFile", "StartIterate");
    ReadCurrentInfo();
    return fCount;
}

bool ZipArchive::AtEnd() const
{
    return fCurrentIndex >= fCount;
}

bool ZipArchive::Next() const
{
    ++fCurrentIndex;
    if (fCurrentIndex >= fCount)
        return false;
    if (unzGoToNextFile(fArchive) != UNZ_OK)
    {
        LogError("Error with zipfile in unzGoToNextFile", "Next");
        return false;
    }
    return ReadCurrentInfo();
}

QString ZipArchive::GetCurrentFileName() const
{
    return fCurrentName;
}

int ZipArchive::GetCurrentIndex() const
{
    return fCurrentIndex;
}

void ZipArchive::SetAtEnd()
{
    fCurrentIndex = fCount;
}

QStringList ZipArchive::GetFileList() const
{
    QStringList names;
    // A failed step ends the walk: an archive can claim far more entries than it holds.
    for (StartIterate(); !AtEnd();)
    {
        names.append(GetCurrentFileName());
        if (!Next())
            break;
    }
    return names;
}

bool ZipArchive::ReadCurrentInfo() const
{
    fCurrentName.clear();
    if (unzGetCurrentFileInfo64(fArchive, &fCurrentInfo, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        fCurrentInfo.size_filename > cLongestNameOrExtra ||
        fCurrentInfo.size_file_extra > cLongestNameOrExtra)
        return false;
    // One byte more than each size, where minizip ends the name with a zero.
    std::vector<char> name(fCurrentInfo.size_filename + 1, '\0');
    std::vector<unsigned char> extra(fCurrentInfo.size_file_extra + 1, 0);
    if (unzGetCurrentFileInfo64(fArchive, &fCurrentInfo, name.data(), static_cast<uLong>(name.size()),
                                extra.data(), static_cast<uLong>(extra.size()), nullptr, 0) != UNZ_OK)
        return false;
    QByteArray const rawName(name.data(),
                             static_cast<int>(qstrnlen(name.data(), fCurrentInfo.size_filename)));
    fCurrentName = GBQCEncode::normalizeFilepathForLocal(DecodeName(rawName, extra.data(), extra.size() - 1));
    return true;
}

bool ZipArchive::EntriesOverlap() const
{
    if (fOverlap != Overlap::Unknown || !fArchive)
        return fOverlap == Overlap::Found;
    unz64_file_pos here{};
    bool const standing = unzGetFilePos64(fArchive, &here) == UNZ_OK;
    // Each entry's stretch of the file: the fixed part of its local header (its name and extra
    // field may lie between) up to the end of its data.
    std::vector<std::pair<ZPOS64_T, ZPOS64_T>> stretches;
    for (int step = unzGoToFirstFile(fArchive); step == UNZ_OK; step = unzGoToNextFile(fArchive))
    {
        unz_file_info64 info{};
        int method = 0;
        int level = 0;
        if (ZipEntryReader::GetCurrentInfo(fArchive, info) != UNZ_OK ||
            unzOpenCurrentFile2(fArchive, &method, &level, 1) != UNZ_OK)
            continue;
        ZPOS64_T const data = unzGetCurrentFileZStreamPos64(fArchive);
        unzCloseCurrentFile(fArchive);
        ZPOS64_T const end = data + std::min(info.compressed_size, ~ZPOS64_T(0) - data);
        stretches.emplace_back(data - std::min(data, cLocalHeaderSize), end);
    }
    if (standing)
        unzGoToFilePos64(fArchive, &here);
    std::sort(stretches.begin(), stretches.end());
    fOverlap = Overlap::None;
    for (std::size_t i = 1; i < stretches.size(); ++i)
        if (stretches[i].first < stretches[i - 1].second)
            fOverlap = Overlap::Found;
    return fOverlap == Overlap::Found;
}

void ZipArchive::UndoWalkExtractions() const
{
    for (int i = fWalkMade.size() - 1; i >= 0; --i)
    {
        QFileInfo const item(fWalkMade[i]);
        if (item.isDir() && !item.isSymLink())
            QDir(fWalkMade[i]).removeRecursively();
        else
            QFile::remove(fWalkMade[i]);
    }
    fWalkMade.clear();
    fWalkFailed = true;
}

bool ZipArchive::ExtractCurrentFile(QString const& folder, QString const& password, int extraAttributes) const
{
    QString working = fCurrentName;
    working.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString const leaf = working.mid(working.lastIndexOf(QLatin1Char('/')) + 1);
    QDir const destination(folder);
    bool const outside = LeadsOutside(working);
    auto const tooMuch = [this] {
        return tr("Can't extract from %1: it would write more than %2 bytes.")
            .arg(fPath)
            .arg(cMaxExtractedSize);
    };
    if (fWalkFailed)
    {
        fLastError = tooMuch();
        return false;
    }

    if (leaf.isEmpty() || (fCurrentInfo.external_fa & cDosFolder) != 0)
    {
        QString path = working;
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        // From the working copy, so that an entry "/" names the root it would have made.
        QString const absolute = QDir::cleanPath(destination.absoluteFilePath(working));
        QString const made = QDir::cleanPath(destination.absoluteFilePath(InsideFolder(path)));
        QString const missing = outside || path.isEmpty() ? QString() : FirstMissing(made);
        // An empty path would be the folder itself, which an entry does not make.
        if (outside || path.isEmpty() || !destination.mkpath(InsideFolder(path)))
        {
            fLastError = tr("Can't create folder %1.").arg(absolute);
            return false;
        }
        if (!missing.isEmpty())
            fWalkMade.append(missing);
        ApplyPermissions(made, fCurrentInfo.external_fa, extraAttributes);
        return true;
    }

    if (outside)
    {
        fLastError = tr("Can't write in %1.").arg(QDir::cleanPath(destination.absoluteFilePath(working)));
        return false;
    }
    if (EntriesOverlap())
    {
        fLastError = tr("Can't read file %1 from %2. Entries of %2 overlap in the file.").arg(working, fPath);
        return false;
    }
    QString const target = QDir::cleanPath(destination.absoluteFilePath(InsideFolder(working)));
    QString const parent = QFileInfo(target).absolutePath();
    if (!QFileInfo(parent).isDir())
    {
        QString const missing = FirstMissing(parent);
        if (!QDir().mkpath(parent))
        {
            fLastError = tr("Can't create folder %1.").arg(parent);
            return false;
        }
        if (!missing.isEmpty())
            fWalkMade.append(missing);
    }

    ZipEntryReader entry(fArchive);
    if (entry.Open(password.isEmpty() ? QByteArray() : password.toLatin1()) != UNZ_OK)
    {
        fLastError = tr("Can't read file %1 from %2. %2 is probably corrupt.").arg(working, fPath);
        return false;
    }
    // Refused before anything is written where the entry declares so much; the reader never gives
    // more than declared.
    if (entry.Info().uncompressed_size > static_cast<ZPOS64_T>(cMaxExtractedSize - fWalkWritten))
    {
        entry.Close();
        UndoWalkExtractions();
        fLastError = tooMuch();
        return false;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    {
        fLastError = tr("Can't write in %1.").arg(target);
        entry.Close();
        return false;
    }
    fWalkMade.append(target);

    bool failed = false;
    char block[cBlockSize];
    for (;;)
    {
        int const count = entry.Read(block, sizeof block);
        if (count < 0)
        {
            fLastError = tr("Can't read from %1").arg(fPath);
            failed = true;
            break;
        }
        if (count == 0)
            break;
        if (file.write(block, count) != count)
        {
            fLastError = tr("Can't write to %1.").arg(target);
            failed = true;
            break;
        }
        fWalkWritten += count;
    }
    // Qt keeps the last bytes until the flush, where a full disk shows.
    if (!failed && !file.flush())
    {
        fLastError = tr("Can't write to %1.").arg(target);
        failed = true;
    }
    file.close();
    ApplyPermissions(target, fCurrentInfo.external_fa, extraAttributes);
    if (failed)
    {
        QFile::remove(target);
        entry.Close();
        return false;
    }
    // A CRC-32 or size that does not fit shows only here; what was written is not the entry.
    if (entry.Close() != UNZ_OK)
    {
        fLastError = tr("Can't close current file %1.").arg(working);
        QFile::remove(target);
        return false;
    }
    return true;
}

QByteArray ZipArchive::ExtractCurrentToMemory(QString const& password) const
{
    if (EntriesOverlap())
    {
        LogError("Error with zipfile: entries overlap in the file", "ExtractCurrentToMemory");
        return QByteArray();
    }
    ZipEntryReader entry(fArchive);
    if (entry.Open(password.isEmpty() ? QByteArray() : password.toLatin1()) != UNZ_OK)
    {
        LogError("Error with zipfile in unzOpenCurrentFilePassword", "ExtractCurrentToMemory");
        return QByteArray();
    }
    ZPOS64_T const declared = entry.Info().uncompressed_size;
    if (declared > static_cast<ZPOS64_T>(cMaxMemoryEntrySize))
    {
        LogError("Error with zipfile: entry too large to extract into memory", "ExtractCurrentToMemory");
        return QByteArray();
    }
    // The reader never gives more than declared; the reservation stays small for an entry that only
    // claims much.
    QByteArray bytes;
    bytes.reserve(static_cast<int>(std::min<ZPOS64_T>(declared, 1024 * 1024)));
    char block[cBlockSize];
    for (;;)
    {
        int const count = entry.Read(block, sizeof block);
        if (count < 0)
        {
            LogError("Error with zipfile in unzReadCurrentFile", "ExtractCurrentToMemory");
            return QByteArray();
        }
        if (count == 0)
            break;
        bytes.append(block, count);
    }
    if (entry.Close() != UNZ_OK)
    {
        LogError("Error with zipfile in unzCloseCurrentFile", "ExtractCurrentToMemory");
        return QByteArray();
    }
    return bytes;
}

QByteArray ZipArchive::ExtractToMemory(QRegularExpression const& name, QString const& password) const
{
    QRegularExpression const whole(QRegularExpression::anchoredPattern(name.pattern()),
                                   name.patternOptions());
    for (StartIterate(); !AtEnd();)
    {
        if (whole.match(GetCurrentFileName()).hasMatch())
            return ExtractCurrentToMemory(password);
        if (!Next())
            break;
    }
    return QByteArray();
}

QString ZipArchive::GetLastError() const
{
    return fLastError;
}
} // namespace Zolvane
