// What the document and book exports share.
#include "GIDCSPHelperMethods.h"

#include "GCPTCSPluginToolsTexts.h"
#include "GCPTSaveAsProperties.h"
#include "GGPCPluginCSSettings.h"
#include "GIDCSConvertMethods.h"
#include "GLngString.h"
#include "IDocument.h"

bool GIDCSPHelperMethods::ToExportPrefs(GCPTSaveAsProperties const& request,
                                        InterfacePtr<IPDFExportPrefs>& prefs, int& error)
{
    if (!prefs)
    {
        error = GCPTCSPluginToolsTexts::cNoPDFExportPreferences;
        return false;
    }
    if (prefs->LoadJobOptions(GIDCSConvertMethods::ConvertToIDFile(request.GetJobOptionsPath())) != kSuccess)
    {
        error = GCPTCSPluginToolsTexts::cCanNotReadJobOptions;
        return false;
    }
    GGPCPluginCSSettings const& settings = request.GetPluginSettings();
    switch (settings.GetBleedChoice())
    {
    case GGPCPluginCSSettings::cBleedChoiceGivenValue:
        prefs->SetUseDocumentBleed(kFalse);
        prefs->SetBleedTop(settings.GetBleedTopValue());
        prefs->SetBleedInside(settings.GetBleedInsideValue());
        prefs->SetBleedOutside(settings.GetBleedOutsideValue());
        prefs->SetBleedBottom(settings.GetBleedBottomValue());
        break;
    case GGPCPluginCSSettings::cBleedChoiceDocSettings:
        prefs->SetUseDocumentBleed(kTrue);
        break;
    default:
        break;
    }
    // What the Sendrixor does not allow stays as the job options have it.
    if (settings.IsSlugAreaIncluded())
        prefs->SetIncludeSlug(kTrue);
    if (settings.IsPrintSpreadsAllowed())
        prefs->SetSpreads(1);
    if (settings.IsMarkTrimAllowed())
        prefs->SetCropMarks(kTrue);
    if (settings.IsMarkBleedAllowed())
        prefs->SetBleedMarks(kTrue);
    if (settings.IsMarkPrnRegistrationAllowed())
        prefs->SetRegistrationMarks(kTrue);
    if (settings.IsMarkColorBarsAllowed())
        prefs->SetColorBars(kTrue);
    if (settings.IsMarkPageInfoAllowed())
        prefs->SetPageInformationMarks(kTrue);
    if (settings.GetMarkOffset() > 0)
        prefs->SetMarkOffset(settings.GetMarkOffset());
    switch (settings.GetMarkWeight())
    {
    case GGPCPluginCSSettings::cMarkWeightType050:
        prefs->SetMarkWeight(0.5);
        break;
    case GGPCPluginCSSettings::cMarkWeightType0125:
        prefs->SetMarkWeight(0.125);
        break;
    default:
        prefs->SetMarkWeight(0.25);
        break;
    }
    return true;
}

int GIDCSPHelperMethods::GetMissingFontsInfo(IDocument* document, int& error, GString& list)
{
    list = GString();
    InterfacePtr<IDocumentFontUsage> usage(document);
    if (!usage)
    {
        error = GCPTCSPluginToolsTexts::cCanNotRetrieveFonts;
        return 0;
    }
    usage->Refresh();
    int const missing = usage->GetMissingFontCount();
    if (missing > 0)
    {
        error = missing == 1 ? GCPTCSPluginToolsTexts::cFontMissing : GCPTCSPluginToolsTexts::cFontsMissing;
        GetMissingFontListAsString(usage, list);
    }
    return missing;
}

void GIDCSPHelperMethods::GetMissingFontListAsString(InterfacePtr<IDocumentFontUsage>& usage, GString& list)
{
    list = GString();
    int const missing = usage ? usage->GetMissingFontCount() : 0;
    if (missing <= 0)
        return;
    GString const lineEnd("\n");
    list = lineEnd;
    for (int i = 0; i < missing; ++i)
    {
        PMString host;
        usage->GetNthMissingFontName(i, host);
        GString name;
        GIDCSConvertMethods::ConvertToGString(host, name);
        GString item("    %1. ");
        item.SubstituteParams(GString(i + 1));
        list += item;
        list += name;
        list += lineEnd;
    }
}

void GIDCSPHelperMethods::ToLocaleString(int id, GString const& extra, GString& out)
{
    GLngString message(GCPTCSPluginToolsTexts::cPluginError);
    message.AddStringID(id);
    message.GetReadableString(out);
    out += extra;
}
