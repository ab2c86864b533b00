// IPackageReport: the report of a package: what it holds and what was missing.
#pragma once

#include "IPMUnknown.h"

class IPackager;

class IPackageReport : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 80396
    };
    enum : ClassID
    {
        kPackageReportBoss = 80395
    };

    // Writes the report of the packager's last run into its folder; showDialog asks the user first,
    // withInstructions adds the instructions. Answers 1 when the report was written.
    virtual int32 Run(IPackager* packager, int32 showDialog, int32 withInstructions, int32 writeFile) = 0;
};
