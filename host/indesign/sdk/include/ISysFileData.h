// ISysFileData: the file a command writes.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"

class ISysFileData : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 3587
    };

    virtual void Set(IDFile const& file) = 0;
    virtual IDFile GetSysFile() const = 0;
};
