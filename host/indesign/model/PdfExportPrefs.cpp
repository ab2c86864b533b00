// A command's PDF export settings.
#include "PdfExportPrefs.h"

#include "Host.h"
#include "HostClasses.h"
#include "JobOptionsError.h"

namespace indesignhost
{
QJsonObject SettingsFields(ExportSettings const& settings)
{
    QJsonObject fields;
    fields.insert("ExportSpreads", settings.spreads);
    fields.insert("UseDocumentBleed", settings.useDocumentBleed);
    fields.insert("BleedTop", settings.bleedTop);
    fields.insert("BleedBottom", settings.bleedBottom);
    fields.insert("BleedInside", settings.bleedInside);
    fields.insert("BleedOutside", settings.bleedOutside);
    fields.insert("IncludeSlug", settings.includeSlug);
    fields.insert("CropMarks", settings.cropMarks);
    fields.insert("BleedMarks", settings.bleedMarks);
    fields.insert("RegistrationMarks", settings.registrationMarks);
    fields.insert("ColorBars", settings.colorBars);
    fields.insert("PageInformation", settings.pageInformation);
    fields.insert("MarkWeight", settings.markWeight);
    fields.insert("MarkOffset", settings.markOffset);
    fields.insert("Name", QString::fromStdString(settings.name));
    return fields;
}

PdfExportPrefs::PdfExportPrefs(HostObject& object, ExportSettings const& start)
    : Facet<IPDFExportPrefs>(object), fSettings(start)
{
}

void PdfExportPrefs::RecordSet(char const* what, QJsonValue const& value) const
{
    QJsonObject fields;
    fields.insert("command", QString::fromStdString(ClassName(Object().GetClass())));
    fields.insert("value", value);
    Object().GetHost().Record("call", std::string("IPDFExportPrefs::") + what, fields);
}

void PdfExportPrefs::SetFlag(bool ExportSettings::*setting, bool16 on, char const* what)
{
    fSettings.*setting = on != kFalse;
    RecordSet(what, on != kFalse);
}

void PdfExportPrefs::SetPoints(double ExportSettings::*setting, PMReal points, char const* what)
{
    fSettings.*setting = points;
    RecordSet(what, points);
}

ErrorCode PdfExportPrefs::LoadJobOptions(IDFile const& jobOptions)
{
    Host& host = Object().GetHost();
    QJsonObject fields;
    fields.insert("command", QString::fromStdString(ClassName(Object().GetClass())));
    fields.insert("file", QString::fromStdString(jobOptions.GetPOSIXPath()));
    ErrorCode result = kSuccess;
    if (std::optional<int32> const fault = host.Faults().Fires("prefs.loadJobOptions"))
        result = *fault;
    else
    {
        try
        {
            fSettings = ReadJobOptions(jobOptions.GetPOSIXPath());
            fJobOptions = jobOptions.GetPOSIXPath();
        }
        catch (HostFileError const& error)
        {
            result = kFailure;
            fields.insert("error", error.what());
        }
    }
    fields.insert("result", result);
    host.Record("call", "IPDFExportPrefs::LoadJobOptions", fields);
    return result;
}

void PdfExportPrefs::SetUseDocumentBleed(bool16 use)
{
    SetFlag(&ExportSettings::useDocumentBleed, use, "SetUseDocumentBleed");
}

void PdfExportPrefs::SetBleedTop(PMReal points)
{
    SetPoints(&ExportSettings::bleedTop, points, "SetBleedTop");
}

void PdfExportPrefs::SetBleedInside(PMReal points)
{
    SetPoints(&ExportSettings::bleedInside, points, "SetBleedInside");
}

void PdfExportPrefs::SetBleedOutside(PMReal points)
{
    SetPoints(&ExportSettings::bleedOutside, points, "SetBleedOutside");
}

void PdfExportPrefs::SetBleedBottom(PMReal points)
{
    SetPoints(&ExportSettings::bleedBottom, points, "SetBleedBottom");
}

void PdfExportPrefs::SetIncludeSlug(bool16 include)
{
    SetFlag(&ExportSettings::includeSlug, include, "SetIncludeSlug");
}

void PdfExportPrefs::SetSpreads(int32 spreads)
{
    fSettings.spreads = spreads == 1;
    RecordSet("SetSpreads", spreads);
}

int32 PdfExportPrefs::GetSpreads() const
{
    int32 const spreads = fSettings.spreads ? 1 : 0;
    RecordSet("GetSpreads", spreads);
    return spreads;
}

void PdfExportPrefs::SetCropMarks(bool16 on)
{
    SetFlag(&ExportSettings::cropMarks, on, "SetCropMarks");
}

void PdfExportPrefs::SetBleedMarks(bool16 on)
{
    SetFlag(&ExportSettings::bleedMarks, on, "SetBleedMarks");
}

void PdfExportPrefs::SetRegistrationMarks(bool16 on)
{
    SetFlag(&ExportSettings::registrationMarks, on, "SetRegistrationMarks");
}

void PdfExportPrefs::SetColorBars(bool16 on)
{
    SetFlag(&ExportSettings::colorBars, on, "SetColorBars");
}

void PdfExportPrefs::SetPageInformationMarks(bool16 on)
{
    SetFlag(&ExportSettings::pageInformation, on, "SetPageInformationMarks");
}

void PdfExportPrefs::SetMarkOffset(PMReal points)
{
    SetPoints(&ExportSettings::markOffset, points, "SetMarkOffset");
}

void PdfExportPrefs::SetMarkWeight(PMReal points)
{
    SetPoints(&ExportSettings::markWeight, points, "SetMarkWeight");
}
} // namespace indesignhost
