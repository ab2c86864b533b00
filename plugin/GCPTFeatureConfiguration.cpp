// The export dialog's switches.
#include "GCPTFeatureConfiguration.h"

GCPTFeatureConfiguration::GCPTFeatureConfiguration()
{
    for (int feature = SlugArea; feature <= FilePackage; ++feature)
        fFeatures.Put(feature, false);
    fFeatures.Put(PageRange, true);
}

bool GCPTFeatureConfiguration::IsFeatureAvailable(int feature) const
{
    bool const* available = fFeatures.Find(feature);
    return available && *available;
}

void GCPTFeatureConfiguration::SetFeatureAvailable(int feature, bool available)
{
    fFeatures.Put(feature, available);
}
