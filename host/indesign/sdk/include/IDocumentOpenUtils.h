// IDocumentOpenUtils: opening a document from its file and closing it again, as a book's chapters
// are opened one at a time.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"

class IDocument;

class IDocumentOpenUtils : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 90889
    };

    // On success the document, held by the host until CloseDocument; an open failure leaves it null.
    virtual ErrorCode OpenDocument(IDFile const& file, IDocument*& document) = 0;
    virtual ErrorCode CloseDocument(IDocument* document) = 0;
};
