// GIDCSPSaveAsAction: the export of the front document: its PDF through the host's PDF export
// command, with the Sendrixor's job options and settings, and its package on request.
#pragma once

#include "GCPTSaveAsAction.h"

class GIDCSPSaveAsAction : public GCPTSaveAsAction
{
public:
    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override;
    bool CreatePackage(GPathName const& folder) override;

private:
    // The last error for the message and extra text; always false.
    bool Fail(int id, GString const& extra = GString());
};
