// IDocumentFontUsage: the fonts a document uses that the host cannot find.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"

class IDocumentFontUsage : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 44804
    };

    // Looks at the fonts the host has now.
    virtual void Refresh() = 0;
    virtual int32 GetMissingFontCount() const = 0;
    // In the document's order.
    virtual void GetNthMissingFontName(int32 index, PMString& name) const = 0;
};
