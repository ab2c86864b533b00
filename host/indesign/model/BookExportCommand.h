// The book export command and its data (IBookExportData): processing writes one PDF of the book's
// chosen chapters, read from their files, with the session's PDF export settings.
#pragma once

#include "CommandObject.h"
#include "IBookExportData.h"

namespace indesignhost
{
class BookExportCommand : public CommandObject
{
public:
    explicit BookExportCommand(Host& host);

    ErrorCode Process() override;

private:
    class Data : public Facet<IBookExportData>
    {
    public:
        explicit Data(BookExportCommand& object) : Facet<IBookExportData>(object), fOwner(object) {}
        void SetBookFile(IDFile const& book) override;
        void SetDocuments(UIDList const& documents, bool16 allDocuments) override;
        void SetOutputFile(IDFile const& output, bool16 hasOutputFile) override;
        void SetExportFormat(ClassID format, uint32 parts) override;

    private:
        BookExportCommand& fOwner;
    };

    IDFile fBook;
    UIDList fDocuments;
    bool fAllDocuments = true;
    IDFile fOutput;
    bool fHasOutput = false;
    ClassID fFormat = 0;
    uint32 fParts = 0;
    Data fData{*this};
};
} // namespace indesignhost
