// Constants of the plug-in that several of its parts share.
#pragma once

class GCPTConstants
{
public:
    GCPTConstants() = delete;

    // The plug-in's preference file, in its data folder.
    static char const* const cPluginPreferenceFile;
};
