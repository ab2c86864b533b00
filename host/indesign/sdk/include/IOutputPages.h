// IOutputPages: the pages a PDF export writes, whether as spreads, and the name of their document.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"
#include "UIDList.h"

class IOutputPages : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 90904
    };

    virtual void InitializeFrom(UIDList const& pages, bool16 spreads, PMString const& documentName) = 0;
};
