// Constants of the plug-in that several of its parts share.
#include "GCPTConstants.h"

char const* const GCPTConstants::cPluginPreferenceFile = "SendrixPlugins.pref";
