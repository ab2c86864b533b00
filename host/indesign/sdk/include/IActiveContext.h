// IActiveContext: where the user is working when a menu is chosen: the document in front, if any.
#pragma once

#include "IPMUnknown.h"

class IDocument;

class IActiveContext : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 6
    };

    // Null when no document is in front.
    virtual IDocument* GetContextDocument() const = 0;
};
