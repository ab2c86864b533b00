// An open document with its pages and its font usage.
#include "DocumentObject.h"

#include <QJsonArray>

#include "Host.h"
#include "HostClasses.h"
#include "PageRange.h"

namespace indesignhost
{
namespace
{
QString Q(std::string const& text)
{
    return QString::fromStdString(text);
}
} // namespace

DocumentObject::DocumentObject(Host& host, std::string const& path)
    : FileObject<HostDocument>(host, kDocumentBoss, path, ReadDocumentFile)
{
    for (std::size_t i = 0; i < Content().pages.size(); ++i)
        fPageUIDs.push_back(host.NewUID());
    AddInterface(IDocument::kDefaultIID, &fDocument);
    AddInterface(IPageList::kDefaultIID, &fPageList);
    AddInterface(IDocumentFontUsage::kDefaultIID, &fFontUsage);
}

int DocumentObject::PageIndex(UID page) const
{
    for (std::size_t i = 0; i < fPageUIDs.size(); ++i)
        if (fPageUIDs[i] == page)
            return static_cast<int>(i);
    return -1;
}

char const* DocumentObject::QueryFaultAlias(PMIID interfaceID) const
{
    return interfaceID == IDocumentFontUsage::kDefaultIID ? "document.fontUsage" : nullptr;
}

void DocumentObject::Document::GetName(PMString& name) const
{
    name = PMString(fOwner.Name().c_str());
    RecordAnswer(fOwner, "IDocument::GetName", Q(fOwner.Name()));
}

bool16 DocumentObject::Document::IsModified() const
{
    RecordAnswer(fOwner, "IDocument::IsModified", fOwner.Modified());
    return fOwner.Modified() ? kTrue : kFalse;
}

IDFile DocumentObject::Document::GetDocumentFile() const
{
    RecordAnswer(fOwner, "IDocument::GetDocumentFile", Q(fOwner.Content().path));
    return IDFile::FromPOSIXPath(fOwner.Content().path);
}

int32 DocumentObject::PageList::GetPageCount() const
{
    int32 const count = static_cast<int32>(fOwner.fPageUIDs.size());
    RecordAnswer(fOwner, "IPageList::GetPageCount", count);
    return count;
}

UID DocumentObject::PageList::GetNthPageUID(int32 index) const
{
    UID const page = NthUID(fOwner.fPageUIDs, index);
    RecordAnswer(fOwner, "IPageList::GetNthPageUID", index, static_cast<qint64>(page));
    return page;
}

ErrorCode DocumentObject::PageList::ParsePageRange(PMString const& range, UIDList& pages) const
{
    std::vector<int> indexes;
    bool const parsed = indesignhost::ParsePageRange(range.GetUTF8(), fOwner.Content(), indexes);
    QJsonArray labels;
    if (parsed)
    {
        if (!pages.GetOwner())
            pages.SetOwner(&fOwner.fDocument);
        for (int index : indexes)
        {
            pages.Append(fOwner.fPageUIDs[static_cast<std::size_t>(index)]);
            labels.append(Q(fOwner.Content().pages[static_cast<std::size_t>(index)].label));
        }
    }
    QJsonObject fields;
    fields.insert("uid", static_cast<qint64>(fOwner.GetUID()));
    fields.insert("range", Q(range.GetUTF8()));
    fields.insert("result", parsed ? kSuccess : kFailure);
    fields.insert("pages", labels);
    fOwner.GetHost().Record("call", "IPageList::ParsePageRange", fields);
    return parsed ? kSuccess : kFailure;
}

void DocumentObject::FontUsage::Refresh()
{
    Host& host = fOwner.GetHost();
    host.Fonts().Rescan();
    fMissing = host.Fonts().MissingFonts(fOwner.Content());
    fRefreshed = true;
    QJsonObject fields;
    fields.insert("uid", static_cast<qint64>(fOwner.GetUID()));
    QJsonArray missing;
    for (std::string const& name : fMissing)
        missing.append(Q(name));
    fields.insert("missing", missing);
    host.Record("call", "IDocumentFontUsage::Refresh", fields);
}

int32 DocumentObject::FontUsage::GetMissingFontCount() const
{
    // Before a refresh the usage answers what the folders held when they were last read.
    std::vector<std::string> const missing =
        fRefreshed ? fMissing : fOwner.GetHost().Fonts().MissingFonts(fOwner.Content());
    int32 const count = static_cast<int32>(missing.size());
    RecordAnswer(fOwner, "IDocumentFontUsage::GetMissingFontCount", count);
    return count;
}

void DocumentObject::FontUsage::GetNthMissingFontName(int32 index, PMString& name) const
{
    std::vector<std::string> const missing =
        fRefreshed ? fMissing : fOwner.GetHost().Fonts().MissingFonts(fOwner.Content());
    bool const inside = index >= 0 && static_cast<std::size_t>(index) < missing.size();
    name = PMString(inside ? missing[static_cast<std::size_t>(index)].c_str() : "");
    RecordAnswer(fOwner, "IDocumentFontUsage::GetNthMissingFontName", index, Q(name.GetUTF8()));
}
} // namespace indesignhost
