// GIDCSPHelperMethods: what the document and book exports share: the job options and the
// Sendrixor's plug-in settings put onto the host's PDF export settings, the check for missing fonts,
// and the text of a failure.
#pragma once

#include "IDocumentFontUsage.h"
#include "IPDFExportPrefs.h"
#include "InterfacePtr.h"

class GCPTSaveAsProperties;
class GString;
class IDocument;

class GIDCSPHelperMethods
{
public:
    GIDCSPHelperMethods() = delete;

    // Loads the request's job options into the settings, then applies its plug-in settings: the
    // bleed, the slug, spreads and marks the Sendrixor allows, the mark offset and weight. False with
    // the failing message's id in error when there are no settings or the job options do not load.
    static bool ToExportPrefs(GCPTSaveAsProperties const& request, InterfacePtr<IPDFExportPrefs>& prefs,
                              int& error);
    // The number of the document's missing fonts, with the message's id in error and their list;
    // 0 with error "fonts not retrievable" when the host tells nothing about the document's fonts.
    static int GetMissingFontsInfo(IDocument* document, int& error, GString& list);
    // A line break, then "    <n>. <name>" and a line break for each missing font; empty when none.
    static void GetMissingFontListAsString(InterfacePtr<IDocumentFontUsage>& usage, GString& list);
    // "Plug-in Error: <the message of id>" followed by extra, in the user's language.
    static void ToLocaleString(int id, GString const& extra, GString& out);
};
