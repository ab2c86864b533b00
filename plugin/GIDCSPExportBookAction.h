// GIDCSPExportBookAction: the export of the current book: the fonts of its documents checked, its
// documents (those selected in the book panel, or all) in one PDF through the host's book export,
// and its package on request.
#pragma once

#include "GCPTSaveAsAction.h"

class IBook;

class GIDCSPExportBookAction : public GCPTSaveAsAction
{
public:
    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override;
    bool CreatePackage(GPathName const& folder) override;

    // The book manager's current book; null when there is no session, manager, open book or
    // current book.
    static IBook* GetCurrentBook();

private:
    bool Fail(int id, GString const& extra = GString());
};
