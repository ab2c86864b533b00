// One export request.
#include "GCPTSaveAsProperties.h"

#include "CSPluginTools.h"

GCPTSaveAsProperties::GCPTSaveAsProperties(GString const& name)
    : fName(name), fSettingsModule(new GPrefMemoryModule),
      fPluginSettings(new GGPCPluginCSSettings(*fSettingsModule)), fHasPageRange(false), fBuildNumber(0),
      fArchiveRead(false), fJobOptionsFolder(GPathName())
{
    int buildNumber = 0;
    fArchiveRead = CSPluginTools::GetProjectProperties(fName, fJobOptionsPath, *fSettingsModule, buildNumber,
                                                       fJobOptionsFolder);
    fBuildNumber = buildNumber;
}

GCPTSaveAsProperties::GCPTSaveAsProperties(GCPTSaveAsProperties const& other)
    : fName(other.fName), fJobOptionsPath(other.fJobOptionsPath), fSettingsModule(new GPrefMemoryModule),
      fPluginSettings(new GGPCPluginCSSettings(*fSettingsModule)), fHasPageRange(other.fHasPageRange),
      fPageRange(other.fPageRange), fBuildNumber(other.fBuildNumber), fArchiveRead(other.fArchiveRead),
      fJobOptionsFolder(GPathName())
{
    fSettingsModule->UpdateWith(other.fSettingsModule.Get());
}

GCPTSaveAsProperties::~GCPTSaveAsProperties()
{
    fSettingsModule->FlushPrefs();
}

void GCPTSaveAsProperties::SetPageRange(GString const& range)
{
    fHasPageRange = true;
    fPageRange = range;
}
