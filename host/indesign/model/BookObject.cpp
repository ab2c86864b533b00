// An open book and its chapters.
#include "BookObject.h"

#include "Host.h"
#include "HostClasses.h"

namespace indesignhost
{
BookObject::BookObject(Host& host, std::string const& path)
    : FileObject<HostBook>(host, kBookBoss, path, ReadBookFile)
{
    for (std::size_t i = 0; i < Content().chapters.size(); ++i)
        fChapterUIDs.push_back(host.NewUID());
    fSelection.SetOwner(&fBook);
    AddInterface(IBook::kDefaultIID, &fBook);
    AddInterface(IBookContent::kDefaultIID, &fBookContent);
}

int BookObject::ChapterIndex(UID chapter) const
{
    for (std::size_t i = 0; i < fChapterUIDs.size(); ++i)
        if (fChapterUIDs[i] == chapter)
            return static_cast<int>(i);
    return -1;
}

void BookObject::SetSelection(std::vector<int> const& chapters)
{
    fSelection.Clear();
    for (std::size_t i = 0; i < fChapterUIDs.size(); ++i)
        for (int chosen : chapters)
            if (chosen == static_cast<int>(i))
            {
                fSelection.Append(fChapterUIDs[i]);
                break;
            }
}

IDFile BookObject::Book::GetBookFileSpec() const
{
    RecordAnswer(fOwner, "IBook::GetBookFileSpec", QString::fromStdString(fOwner.Content().path));
    return IDFile::FromPOSIXPath(fOwner.Content().path);
}

void BookObject::Book::GetBookTitleName(PMString& name) const
{
    name = PMString(fOwner.FileName().c_str());
    RecordAnswer(fOwner, "IBook::GetBookTitleName", QString::fromStdString(fOwner.FileName()));
}

bool16 BookObject::Book::IsModified() const
{
    RecordAnswer(fOwner, "IBook::IsModified", fOwner.Modified());
    return fOwner.Modified() ? kTrue : kFalse;
}

int32 BookObject::Chapters::GetContentCount() const
{
    int32 const count = static_cast<int32>(fOwner.fChapterUIDs.size());
    RecordAnswer(fOwner, "IBookContent::GetContentCount", count);
    return count;
}

UID BookObject::Chapters::GetNthContent(int32 index) const
{
    UID const chapter = NthUID(fOwner.fChapterUIDs, index);
    RecordAnswer(fOwner, "IBookContent::GetNthContent", index, static_cast<qint64>(chapter));
    return chapter;
}

IDFile BookObject::Chapters::GetNthContentFile(int32 index) const
{
    std::vector<std::string> const& chapters = fOwner.Content().chapters;
    bool const inside = index >= 0 && static_cast<std::size_t>(index) < chapters.size();
    std::string const path = inside ? chapters[static_cast<std::size_t>(index)] : std::string();
    RecordAnswer(fOwner, "IBookContent::GetNthContentFile", index, QString::fromStdString(path));
    return IDFile::FromPOSIXPath(path);
}
} // namespace indesignhost
