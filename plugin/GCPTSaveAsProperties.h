// GCPTSaveAsProperties: one export request: the chosen Sendrixor, its job-options file and plug-in
// settings as read from its archive, the page range and the Sendrixor's build number. It is the
// message of the export and stop signals.
#pragma once

#include <cstdint>

#include "GAutoPtr.h"
#include "GCPTSmartPathName.h"
#include "GGPCPluginCSSettings.h"
#include "GPathName.h"
#include "GPrefMemoryModule.h"
#include "GString.h"

class GCPTSaveAsProperties
{
public:
    // Reads the Sendrixor's job options, settings and build number; a Sendrixor that cannot be
    // read leaves them empty and 0. The job options are a private copy in the temporary folder,
    // removed with this request.
    explicit GCPTSaveAsProperties(GString const& name);
    // A copy with settings of its own; its job-options path is the other's, whose copy of the job
    // options lasts as long as the other does.
    GCPTSaveAsProperties(GCPTSaveAsProperties const& other);
    GCPTSaveAsProperties& operator=(GCPTSaveAsProperties const&) = delete;
    ~GCPTSaveAsProperties();

    GString const& GetName() const { return fName; }
    GPathName const& GetJobOptionsPath() const { return fJobOptionsPath; }
    // The view over the request's own settings, which the dialog may change.
    GGPCPluginCSSettings& GetPluginSettings() const { return *fPluginSettings; }
    bool HasPageRange() const { return fHasPageRange; }
    GString const& GetPageRange() const { return fPageRange; }
    void SetPageRange(GString const& range);
    std::int32_t GetBuildNumber() const { return fBuildNumber; }
    // Whether the Sendrixor's settings and job options were both read from its archive; the
    // settings of a request without them are mere defaults.
    bool IsArchiveRead() const { return fArchiveRead; }

private:
    GString fName;
    GPathName fJobOptionsPath;
    GAutoPtr<GPrefMemoryModule> fSettingsModule;
    GAutoPtr<GGPCPluginCSSettings> fPluginSettings;
    bool fHasPageRange;
    GString fPageRange;
    std::int32_t fBuildNumber;
    bool fArchiveRead;
    // The folder that holds the job options read for this request; empty in a copy.
    GCPTSmartPathName fJobOptionsFolder;
};
