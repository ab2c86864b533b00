// The export action.
#include "GCPTSaveAsAction.h"

#include "CSPluginTools.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GCPTSmartPathName.h"
#include "GException.h"
#include "GFileSystem.h"
#include "GStringPool.h"

namespace
{
// The Sendrixor's name as one folder name: a Sendrixor may be named "Proofs/Press" or "..", and its
// exports must still land in a folder of their own inside the output folder.
GString FolderNameOf(GString const& name)
{
    GString folder = name;
    GPathName::CreateValidFileName(folder, GPathName::cMacOSPlatform, '_');
    if (folder == GString("."))
        return GString("_");
    if (folder == GString(".."))
        return GString("__");
    return folder;
}
} // namespace

GCPTSaveAsAction::GCPTSaveAsAction() : fStop(false)
{
    Subscribe(cExportRequestChannel);
    Subscribe(cStopRequestChannel);
}

GCPTSaveAsAction::~GCPTSaveAsAction()
{
    UnSubscribe(cStopRequestChannel);
    UnSubscribe(cExportRequestChannel);
}

void GCPTSaveAsAction::Receive(int channel, GCPTSaveAsProperties const& request)
{
    if (!IsActive())
        return;
    fRequest = GSmartPtr<GCPTSaveAsProperties>(new GCPTSaveAsProperties(request));
    fCurrentName = request.GetName();
    if (channel == cExportRequestChannel)
    {
        if (fCurrentName.IsEmpty())
            return;
        bool written = false;
        try
        {
            written = Execute();
        }
        catch (GException const& exception) // a file-system failure on the way is a failed export, reported
        {                                   // as one, never an error unwinding through the dialog
            fLastError = exception.GetFullDescription();
        }
        if (written)
            Notify(cPDFWritten);
        else if (fStop)
        {
            fStop = false;
            Notify(cExportStopped);
        }
        else
            Notify(cExportFailed);
    }
    else if (channel == cStopRequestChannel)
        fStop = true;
}

bool GCPTSaveAsAction::Execute()
{
    fStop = false;
    if (!IsActive())
        return false;
    if (fCurrentName.IsEmpty())
        return true;
    GSmartPtr<GCPTSaveAsProperties> const request = fRequest;

    GPathName folder;
    CSPluginTools::GetOutputPDFPath(folder);
    folder.Append(FolderNameOf(fCurrentName));

    // The request must hold the settings the Sendrixor was made with, not defaults in place of a
    // damaged archive's. Then only a check that its job options can still be read: the export uses
    // those the request was made with, so the copy made here goes at once.
    GPathName jobOptions;
    GCPTSmartPathName extraction((GPathName()));
    if (!request->IsArchiveRead() || !CSPluginTools::GetJobOptionsFile(fCurrentName, jobOptions, extraction))
    {
        fLastError = GStringPool::GetString(GCPTCSPluginToolsTexts::cCanNotRetrievePDFSetting);
        fLastError.SubstituteParams(fCurrentName);
        return false;
    }
    extraction.Remove();
    if (!SaveAsPDF(*request, folder))
        return false;
    if (!request->GetPluginSettings().IsFilePackageIncluded())
        return true;
    if (!fPDFPath.IsEmpty())
        folder = fPDFPath.GetBranch();
    return CreatePackage(folder);
}

void GCPTSaveAsAction::SetSaveAsPDF(GPathName const& path)
{
    if (path != fPDFPath)
        fPDFPath = path;
}

void GCPTSaveAsAction::SetPackagePath(GPathName const& path)
{
    if (path != fPackagePath)
        fPackagePath = path;
}

void GCPTSaveAsAction::GetUniquePDFFilePath(GPathName const& folder, GString const& leaf, GPathName& out)
{
    GFileSystem::CreateFolder(folder);
    GString const name = leaf + GString(".pdf");
    out = folder;
    out.Append(name);
    if (!GFileSystem::FileExists(out))
        return;
    GPathName unique;
    GFileSystem::CreateUniqueFolder(folder / GPathName("XXXXX"), unique);
    out = unique;
    out.Append(name);
}

void GCPTSaveAsAction::GetUniqueFolderPath(GPathName const& folder, GString const& name, GPathName& out)
{
    GFileSystem::CreateFolder(folder);
    out = folder;
    out.Append(name);
    if (!GFileSystem::FolderExists(out))
        return;
    GPathName unique;
    GFileSystem::CreateUniqueFolder(folder / GPathName("XXXXX"), unique);
    out = unique;
    out.Append(name);
}
