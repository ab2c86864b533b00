// GIDCSPExportBookAction: the export of the book the book panel shows: the fonts of its documents
// checked, its documents (those selected in the panel, or all) in one PDF through the host's book
// export, and its package on request.
#pragma once

#include "GCPTSaveAsAction.h"

class AcquireCurrentBook;
class IBook;

class GIDCSPExportBookAction : public GCPTSaveAsAction
{
public:
    GIDCSPExportBookAction();

    // Works out the book once, before any step, and keeps it current until the export is done:
    // the font check, the PDF's name, its documents and the package are all of that one book.
    bool Execute() override;
    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override;
    bool CreatePackage(GPathName const& folder) override;

    // The book manager's current book; null when there is no session, manager, open book or
    // current book.
    static IBook* GetCurrentBook();

private:
    bool Fail(int id, GString const& extra = GString());

    // The book panel's book made current for the export that runs; null outside one, or when the
    // book could not be worked out.
    AcquireCurrentBook const* fBook;
};
