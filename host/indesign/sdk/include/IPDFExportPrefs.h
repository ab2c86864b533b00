// IPDFExportPrefs: the settings of a PDF export: loaded from a job-options file, then changed one by
// one. Lengths are in points.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"

class IPDFExportPrefs : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 9479
    };

    // kSuccess when the file was read; otherwise the settings stay as they were.
    virtual ErrorCode LoadJobOptions(IDFile const& jobOptions) = 0;

    virtual void SetUseDocumentBleed(bool16 use) = 0;
    virtual void SetBleedTop(PMReal points) = 0;
    virtual void SetBleedInside(PMReal points) = 0;
    virtual void SetBleedOutside(PMReal points) = 0;
    virtual void SetBleedBottom(PMReal points) = 0;
    virtual void SetIncludeSlug(bool16 include) = 0;
    // 1: pages are exported as spreads; 0: one by one.
    virtual void SetSpreads(int32 spreads) = 0;
    virtual int32 GetSpreads() const = 0;
    virtual void SetCropMarks(bool16 on) = 0;
    virtual void SetBleedMarks(bool16 on) = 0;
    virtual void SetRegistrationMarks(bool16 on) = 0;
    virtual void SetColorBars(bool16 on) = 0;
    virtual void SetPageInformationMarks(bool16 on) = 0;
    virtual void SetMarkOffset(PMReal points) = 0;
    virtual void SetMarkWeight(PMReal points) = 0;
};
