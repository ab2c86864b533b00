// GCPTFeatureConfiguration: the switches that shape the export dialog, by feature number.
#pragma once

#include "GDict.h"

class GCPTFeatureConfiguration
{
public:
    enum Feature
    {
        SlugArea = 0,
        PrintSpreads = 1,
        BleedMarks = 2,
        TrimMarkWeight = 3,
        FilePackage = 4,
        PageRange = 5
    };

    // Everything off but the page range.
    GCPTFeatureConfiguration();

    // False for a feature never put.
    bool IsFeatureAvailable(int feature) const;
    void SetFeatureAvailable(int feature, bool available);

private:
    GDict<int, bool> fFeatures;
};
