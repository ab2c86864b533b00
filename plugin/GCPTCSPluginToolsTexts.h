// The English messages of the plug-in's export tools, by string id, as the string pool takes them;
// the plug-in's string files ("CSP") replace them per language.
#pragma once

#include "GStringPoolSupport.h"

class GCPTCSPluginToolsTexts
{
public:
    static constexpr int cCanNotAcquirePlugin = 30060000;
    static constexpr int cNoCurrentDocument = 30060001;
    static constexpr int cExportAsSealmarkError = 30060002;
    static constexpr int cCanNotLaunchSendrixor = 30060003;
    static constexpr int cCanNotRetrievePDFSetting = 30060004;
    static constexpr int cPluginError = 30060005;
    static constexpr int cPDFExportCommandNotFound = 30060006;
    static constexpr int cPDFExportCommandFailed = 30060007;
    static constexpr int cNoPDFExportPreferences = 30060008;
    static constexpr int cCanNotReadJobOptions = 30060009;
    static constexpr int cNoSystemFileData = 30060010;
    static constexpr int cFontMissing = 30060011;
    static constexpr int cFontsMissing = 30060012;
    static constexpr int cCanNotRetrieveFonts = 30060013;
    static constexpr int cExportToSendrixorError = 30060014;
    static constexpr int cPackageCommandNotFound = 30060015;
    static constexpr int cPackageCommandFailed = 30060016;
    static constexpr int cPackageReportCommandNotFound = 30060017;
    static constexpr int cPackageReportCommandFailed = 30060018;
    static constexpr int cCanNotSaveDocument = 30060019;
    static constexpr int cInvalidDocument = 30060020;
    static constexpr int cCanNotOpenDocument = 30060021;
    static constexpr int cInvalidBook = 30060022;
    static constexpr int cNoCurrentBook = 30060023;

    static constexpr int cCount = 24;
    static GStringPoolDataStruct sRows[cCount];
};
