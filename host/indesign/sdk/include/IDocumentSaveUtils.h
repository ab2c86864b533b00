// IDocumentSaveUtils: saving a document to its own file.
#pragma once

#include "IPMUnknown.h"

class IDocument;

class IDocumentSaveUtils : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 351
    };

    virtual ErrorCode SaveDocument(IDocument* document) = 0;
};
