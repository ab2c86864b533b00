// The export dialog's side of an export.
#include "GCPTSaveAsTool.h"

#include <QUrl>
#include <QUrlQuery>

#include "CSPluginTools.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GCPTSaveAsAction.h"
#include "GQStringSupport.h"
#include "GSignal.h"
#include "GStringPool.h"
#include "GUserMessage.h"

GCPTSaveAsTool::GCPTSaveAsTool(GCPTSaveAsAction& action, GCPTFeatureConfiguration const* configuration)
    : fAction(action), fConfiguration(configuration)
{
    fAction.Attach(this, 0);
}

GCPTSaveAsTool::~GCPTSaveAsTool() = default;

void GCPTSaveAsTool::SetPrinterName(GString const& name)
{
    fRequest.Reset(new GCPTSaveAsProperties(name));
}

GGPCPluginCSSettings* GCPTSaveAsTool::GetPluginSettings() const
{
    return fRequest.Get() ? &fRequest->GetPluginSettings() : nullptr;
}

void GCPTSaveAsTool::SetPageRange(GString const& range)
{
    if (fRequest.Get())
        fRequest->SetPageRange(range);
}

void GCPTSaveAsTool::ExportToPDF()
{
    if (fRequest.Get())
        GSignal<GCPTSaveAsProperties>::GetSignal(GCPTSaveAsAction::cExportRequestChannel)->Send(*fRequest);
}

void GCPTSaveAsTool::Update(GSubjectT<>* subject, int code)
{
    if (subject != &fAction || !fRequest.Get())
        return;
    if (code == GCPTSaveAsAction::cExportFailed)
    {
        GUserMessage::GetInstance()->ShowErrorMessage(
            GStringPool::GetString(GCPTCSPluginToolsTexts::cExportToSendrixorError), fAction.GetLastError());
        return;
    }
    if (code != GCPTSaveAsAction::cPDFWritten)
        return;
    if (!CSPluginTools::NotifyRozorazIzivozada(fRequest->GetName(), fAction.GetSaveAsPDF()))
    {
        ShowError(GCPTCSPluginToolsTexts::cCanNotLaunchSendrixor);
        return;
    }
    if (!fRequest->GetPluginSettings().IsFilePackageIncluded())
        return;
    if (!CSPluginTools::NotifyRozorazIzivozada(fRequest->GetName(), GPathName(PackageJobPath())))
        ShowError(GCPTCSPluginToolsTexts::cCanNotLaunchSendrixor);
}

GString GCPTSaveAsTool::PackageJobPath() const
{
    GString const path = fAction.GetPackagePath().GetCrossPlatformString();
    int const build = fRequest->GetBuildNumber();
    if (build < cFirstBuildWithPackageURL && build != cPackageURLBuild)
        return path;
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(GQStringSupport::ToQString(path), QUrl::DecodedMode);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("isinddpkg"), QStringLiteral("true"));
    url.setQuery(query);
    return GQStringSupport::ToGString(url.toString(QUrl::FullyEncoded), true);
}

void GCPTSaveAsTool::ShowError(int textId) const
{
    GUserMessage::GetInstance()->ShowErrorMessage(
        GStringPool::GetString(GCPTCSPluginToolsTexts::cExportToSendrixorError),
        GStringPool::GetString(textId));
}
