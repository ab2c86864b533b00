// Zolvane::ZipArchive: reads a zip archive protected with a traditional PKWARE password, as every
// Sendrixor carries its project settings and job options in one. It opens the archive by path,
// walks the entries in archive order, decodes each entry's name, and extracts the current entry
// into a folder (with the Unix permissions of the entry added) or into memory.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <minizip/unzip.h>

namespace Zolvane
{
class ZipArchive : public QObject
{
    Q_OBJECT

public:
    // Remembers the path with native separators; opens nothing.
    explicit ZipArchive(QString const& path);
    ~ZipArchive() override;

    // Closes the archive; a later operation that needs it opens it again.
    void CloseArchive();
    // Opens the archive on the first call; whether it is open.
    bool OpenArchive() const;

    // Opens the archive when needed, stands on the first entry and returns the number of entries
    // (0 for an empty, unreadable or unopenable archive).
    int StartIterate() const;
    bool AtEnd() const;
    // Moves to the next entry; false at the end or on an error.
    bool Next() const;
    // The current entry's decoded name; empty when there is none.
    QString GetCurrentFileName() const;
    int GetCurrentIndex() const;
    void SetAtEnd();
    // Whether the current entry stands for a folder: its name ends in a slash or a backslash, or it
    // carries the MS-DOS folder attribute.
    bool IsCurrentFolder() const
    {
        return fCurrentName.endsWith(QLatin1Char('/')) || fCurrentName.endsWith(QLatin1Char('\\')) ||
               (fCurrentInfo.external_fa & 0x10) != 0;
    }
    // The decoded names of all entries, from a new walk.
    QStringList GetFileList() const;

    // Extracts the current entry below the folder. False with the reason in GetLastError when the
    // entry cannot be read (a wrong password among others), its name would lead outside the folder,
    // the target cannot be made or written, or the archive's entries overlap in the file; a file
    // partly written is deleted. What one walk (from StartIterate) writes into folders stays within
    // cMaxExtractedSize: the extraction that would go beyond fails, everything the walk wrote and
    // made is removed, and every later extraction of the walk fails alike.
    bool ExtractCurrentFile(QString const& folder, QString const& password, int extraAttributes) const;
    // The current entry's bytes; empty when it cannot be read whole, when it is larger than
    // cMaxMemoryEntrySize, or when the archive's entries overlap in the file.
    QByteArray ExtractCurrentToMemory(QString const& password) const;
    // From a new walk, the bytes of the first entry whose whole decoded name matches the expression;
    // empty when none does.
    QByteArray ExtractToMemory(QRegularExpression const& name, QString const& password) const;
    QString GetLastError() const;

    // The largest entry extracted into memory: an archive's entries are small text files, and a
    // few bytes of archive can claim gigabytes.
    static constexpr qint64 cMaxMemoryEntrySize = 64 * 1024 * 1024;
    // The most one walk writes into folders: the same bound, as a few bytes of archive can claim
    // gigabytes in many entries too.
    static constexpr qint64 cMaxExtractedSize = cMaxMemoryEntrySize;

private:
    // Reads the current entry's information and decodes its name; false (and an empty name) when
    // either cannot be read.
    bool ReadCurrentInfo() const;
    // Whether two entries' local headers and data share bytes of the file, as in archives made to
    // inflate one stretch of data many times over; found once for the open archive. The walk stays
    // where it is.
    bool EntriesOverlap() const;
    // Fails the walk's extractions into folders from now on, removing what it wrote and made.
    void UndoWalkExtractions() const;

    enum class Overlap
    {
        Unknown,
        None,
        Found
    };

    QString fPath;
    mutable unzFile fArchive;
    mutable int fCurrentIndex;
    mutable int fCount;
    mutable unz_file_info64 fCurrentInfo;
    mutable QString fCurrentName;
    mutable QString fLastError;
    mutable Overlap fOverlap = Overlap::Unknown;
    // What the current walk wrote into folders: its bytes, and the files it wrote and the topmost
    // folders it made; a walk that passed the bound and was undone extracts nothing more.
    mutable qint64 fWalkWritten = 0;
    mutable QStringList fWalkMade;
    mutable bool fWalkFailed = false;
};
} // namespace Zolvane
