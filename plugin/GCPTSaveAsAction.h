// GCPTSaveAsAction: the export action. It takes an export request on signal 106 while it is active,
// runs it (the output folder, a check of the job options, the PDF, then the package when the
// Sendrixor wants one) and tells its observers the outcome. Writing the PDF and the package is the
// host's work, done by the subclasses for documents and for books.
#pragma once

#include "GCPTAbstractAction.h"
#include "GCPTSaveAsProperties.h"
#include "GPathName.h"
#include "GReceiver.h"
#include "GSmartPtr.h"
#include "GString.h"
#include "GSubjectT.h"

class GCPTSaveAsAction : public GCPTAbstractAction, public GReceiver<GCPTSaveAsProperties>, public GSubjectT<>
{
public:
    // Signals that carry requests.
    static constexpr int cExportRequestChannel = 106;
    static constexpr int cStopRequestChannel = 107;
    // What the observers are told.
    static constexpr int cPDFWritten = 11;
    static constexpr int cExportFailed = 12;
    static constexpr int cExportStopped = 13;

    // Subscribes to the export and stop signals.
    GCPTSaveAsAction();
    ~GCPTSaveAsAction() override;

    virtual GString const& GetLastError() const { return fLastError; }
    // Runs the current request; false with the last error set when the export failed.
    virtual bool Execute();
    // Takes the request (a copy) when the action is active: an export request is run at once and
    // its outcome told to the observers; a stop request asks a running export to stop.
    void Receive(int channel, GCPTSaveAsProperties const& request) override;
    // Writes the request's PDF into the folder and records its path; false with the last error set.
    virtual bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) = 0;
    // Builds the package into the folder and records its path; false with the last error set.
    virtual bool CreatePackage(GPathName const& folder) = 0;

    // The paths written last; they stay from one export to the next.
    void SetSaveAsPDF(GPathName const& path);
    GPathName const& GetSaveAsPDF() const { return fPDFPath; }
    void SetPackagePath(GPathName const& path);
    GPathName const& GetPackagePath() const { return fPackagePath; }
    void StopProcessing(bool stop) { fStop = stop; }

    // <folder>/<leaf>.pdf, made in a new folder inside the folder when that file exists; the folder
    // is made when missing.
    static void GetUniquePDFFilePath(GPathName const& folder, GString const& leaf, GPathName& out);
    // <folder>/<name>, inside a new folder of the folder when that folder exists.
    static void GetUniqueFolderPath(GPathName const& folder, GString const& name, GPathName& out);

protected:
    GString fLastError;

private:
    bool fStop;
    GString fCurrentName;
    GPathName fPDFPath;
    GPathName fPackagePath;
    // Shared with a running export, so that a request received meanwhile does not take away the
    // one the export works on.
    GSmartPtr<GCPTSaveAsProperties> fRequest;
};
