// The packager of a document (80393) or of a book (80400, its packager interface 80401): it
// gathers the document or every chapter, with the book file, their links and fonts into a new
// folder, through the host's package writer.
#pragma once

#include <optional>

#include "HostObject.h"
#include "IPackager.h"
#include "PackageWriter.h"

namespace indesignhost
{
class PackagerObject : public HostObject
{
public:
    PackagerObject(Host& host, ClassID packagerClass);

    IPackager* GetPackager() { return &fPackager; }
    // What the last successful run packaged, for its report.
    std::optional<PackageJob> const& LastJob() const { return fLastJob; }
    IDFile const& Target() const { return fTarget; }

private:
    class Packager : public Facet<IPackager>
    {
    public:
        explicit Packager(PackagerObject& object) : Facet<IPackager>(object), fOwner(object) {}
        void SetDocument(IDocument* document) override;
        void SetBook(IBook* book) override;
        void SetTargetFolder(IDFile const& folder) override;
        void SetOptions(int32 copyFonts, int32 copyLinks, int32 updateLinks, IPMUnknown* hyphenation,
                        int32 hiddenLayers, int32 instructions, int32 copyDocument,
                        int32 openFolder) override;
        ErrorCode Run() override;
        IDFile GetTargetFolder() const override;

    private:
        PackagerObject& fOwner;
    };

    bool IsBookPackager() const { return GetClass() == IPackager::kBookPackageBoss; }

    IDocument* fDocument = nullptr;
    IBook* fBook = nullptr;
    IDFile fTarget;
    std::optional<PackageJob> fLastJob;
    Packager fPackager{*this};
};
} // namespace indesignhost
