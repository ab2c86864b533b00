// An open document: its file read at open (IDocument), its pages numbered by the host
// (IPageList), and the fonts it uses that the host's font folders do not hold (IDocumentFontUsage).
#pragma once

#include <string>
#include <vector>

#include "FileObject.h"
#include "HostDocument.h"
#include "IDocument.h"
#include "IDocumentFontUsage.h"
#include "IPageList.h"

namespace indesignhost
{
class DocumentObject : public FileObject<HostDocument>
{
public:
    // Reads the file; throws HostFileError when it is not a document.
    DocumentObject(Host& host, std::string const& path);

    IDocument* GetDocument() { return &fDocument; }
    std::string Name() const { return FileName(); }
    UID PageUID(int index) const { return fPageUIDs.at(static_cast<std::size_t>(index)); }
    // The page's index, or -1 when it is no page of this document.
    int PageIndex(UID page) const;

    // 0: the application's unit.
    ClassID Unit() const { return fUnit; }
    void SetUnit(ClassID unit) { fUnit = unit; }
    // Opened by a plug-in through the document utilities, and not closed by it as often; held
    // until it is.
    bool OpenedByPlugIn() const { return fPlugInOpens > 0; }
    int PlugInOpens() const { return fPlugInOpens; }
    void SetPlugInOpens(int opens) { fPlugInOpens = opens; }
    // Opened by the user: the plug-in's opens and closes leave it open.
    bool OpenedByUser() const { return fOpenedByUser; }
    void SetOpenedByUser(bool opened) { fOpenedByUser = opened; }

protected:
    char const* QueryFaultAlias(PMIID interfaceID) const override;

private:
    class Document : public Facet<IDocument>
    {
    public:
        explicit Document(DocumentObject& object) : Facet<IDocument>(object), fOwner(object) {}
        void GetName(PMString& name) const override;
        bool16 IsModified() const override;
        IDFile GetDocumentFile() const override;

    private:
        DocumentObject& fOwner;
    };

    class PageList : public Facet<IPageList>
    {
    public:
        explicit PageList(DocumentObject& object) : Facet<IPageList>(object), fOwner(object) {}
        int32 GetPageCount() const override;
        UID GetNthPageUID(int32 index) const override;
        ErrorCode ParsePageRange(PMString const& range, UIDList& pages) const override;

    private:
        DocumentObject& fOwner;
    };

    class FontUsage : public Facet<IDocumentFontUsage>
    {
    public:
        explicit FontUsage(DocumentObject& object) : Facet<IDocumentFontUsage>(object), fOwner(object) {}
        void Refresh() override;
        int32 GetMissingFontCount() const override;
        void GetNthMissingFontName(int32 index, PMString& name) const override;

    private:
        DocumentObject& fOwner;
        std::vector<std::string> fMissing;
        bool fRefreshed = false;
    };

    std::vector<UID> fPageUIDs;
    ClassID fUnit = 0;
    int fPlugInOpens = 0;
    bool fOpenedByUser = false;
    Document fDocument{*this};
    PageList fPageList{*this};
    FontUsage fFontUsage{*this};
};
} // namespace indesignhost
