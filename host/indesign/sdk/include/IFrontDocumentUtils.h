// IFrontDocumentUtils: which document is in front.
#pragma once

#include "IPMUnknown.h"

class IDocument;

class IFrontDocumentUtils : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 118846
    };

    // The front document, held by the host; null when none is open.
    virtual IDocument* GetFrontDocument() const = 0;
};
