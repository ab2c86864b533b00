// IDocument: an open document. Its page list and font usage are further interfaces of it.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"
#include "PMString.h"

class IDocument : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 9
    };

    // The document's name, its file's name with the extension.
    virtual void GetName(PMString& name) const = 0;
    // Changed since it was last saved.
    virtual bool16 IsModified() const = 0;
    virtual IDFile GetDocumentFile() const = 0;
};
