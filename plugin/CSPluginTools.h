// CSPluginTools: everything the plug-in asks of a Sendrixor: which Sendrixors it offers, their
// PDF-settings names and GUIDs, their job options and plug-in settings from their password-protected
// archives, the output folder, removal from the plug-in, and the hand-over of a finished file to
// the "RozorazIzivozada" process as a job.
#pragma once

#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GCPTSmartPathName;
class GPPSettings;
class GPrefModule;

class CSPluginTools
{
public:
    CSPluginTools() = delete;

    // The job-options entries are those whose name holds this text (case matters).
    static char const* const kPrinterFilesString;
    // The archives' password, as its scrambled text.
    static char const* const kScrambledZipPassword;
    // The port every job names.
    static char const* const kJobPortName;

    // Every function taking a Sendrixor's name answers false for an empty name and for a name the
    // registry of Sendrixors does not hold.

    // Empties the table, then lists the Sendrixors offered by the plug-in, in the registry's order;
    // false when there is none.
    static bool GetPluginSendrixors(GTable<GString>& names);
    // The display name of its PDF settings, or its name when it has none.
    static bool GetPDFSettingsName(GString const& name, GString& out);
    static bool GetGUID(GString const& name, GString& out);
    // No longer offered by the plug-in; the record stays in the registry.
    static bool DeletePluginSendrixor(GString const& name);
    // <temporary folder>/<logon name>.
    static void GetOutputPDFPath(GPathName& out);
    // Each extraction goes into a new folder of the temporary folder, private to the user and named
    // so that nobody can guess it, which the extraction path takes over (removing what it held): the
    // folder goes when its holder is done with it. Nothing was extracted when the path is empty.

    // Extracts the Sendrixor's job options.
    static bool GetJobOptionsFile(GString const& name, GPathName& out, GCPTSmartPathName& extraction);
    // Extracts the first job-options entry of the archive that extracts; out is left alone when none
    // does.
    static bool ExtractFileToTemp(GPathName const& archive, GPathName& out, GCPTSmartPathName& extraction);
    // The archive's project preferences copied into settings and its job options extracted, then
    // the Sendrixor's build number (0 when it is not found).
    static bool GetProjectProperties(GString const& name, GPathName& jobOptions, GPrefModule& settings,
                                     int& buildNumber, GCPTSmartPathName& extraction);
    // True when both the project preferences ("Project/Project.prefs", not empty) were read and
    // the job options extracted; jobOptions is set whenever the job options were extracted.
    static bool GetProjectProperties(GPathName const& archive, GPathName& jobOptions, GPrefModule& settings,
                                     GCPTSmartPathName& extraction);
    // Announces the file as a job of the Sendrixor; true when a "RozorazIzivozada" process took it.
    static bool NotifyRozorazIzivozada(GString const& name, GPathName const& path);

private:
    // The Sendrixor's record; false for an empty name or one the registry lacks.
    static bool FindSendrixor(GString const& name, GPPSettings& settings);
};
