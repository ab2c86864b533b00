// GCPTSaveAsTool: the export dialog's side of an export: it holds the request the dialog edits,
// sends it to the export action, and hands what the action wrote to the Sendrixor as jobs, telling
// the user when that fails.
#pragma once

#include "GAutoPtr.h"
#include "GCPTSaveAsProperties.h"
#include "GObserverT.h"

class GCPTFeatureConfiguration;
class GCPTSaveAsAction;

class GCPTSaveAsTool : public GObserverT<>
{
public:
    // Observes the action; the action and the configuration outlive the tool.
    GCPTSaveAsTool(GCPTSaveAsAction& action, GCPTFeatureConfiguration const* configuration);
    ~GCPTSaveAsTool() override;

    // A new request for the Sendrixor, read from its archive. The dialog calls it before anything
    // else.
    void SetPrinterName(GString const& name);
    // The request; null before SetPrinterName.
    GCPTSaveAsProperties* GetPrinterName() const { return fRequest.Get(); }
    GGPCPluginCSSettings* GetPluginSettings() const;
    void SetPageRange(GString const& range);
    GCPTFeatureConfiguration const* GetFeatureConfiguration() const { return fConfiguration; }
    // Sends the request on the export signal; the export runs and reports before this returns.
    void ExportToPDF();

    // The action's outcome: a failure is shown, a written PDF (and package) is announced as a job.
    void Update(GSubjectT<>* subject, int code) override;

    // Sendrixors of this build or later, and build 666, take a package as a "file" URL.
    static constexpr int cFirstBuildWithPackageURL = 637640;
    static constexpr int cPackageURLBuild = 666;

private:
    // The package's cross-platform path, or the URL the Sendrixor's build takes.
    GString PackageJobPath() const;
    void ShowError(int textId) const;

    GCPTSaveAsAction& fAction;
    GCPTFeatureConfiguration const* fConfiguration;
    GAutoPtr<GCPTSaveAsProperties> fRequest;
};
