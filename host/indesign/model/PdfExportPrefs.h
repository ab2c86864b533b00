// The PDF export settings of a command: those of the job-options file it loads, each then changed by
// the plug-in's setters. The PDF export command and the set-PDF-export-preferences command both
// carry them.
#pragma once

#include <QJsonObject>

#include <string>

#include "ExportSettings.h"
#include "HostObject.h"
#include "IPDFExportPrefs.h"

namespace indesignhost
{
class PdfExportPrefs : public Facet<IPDFExportPrefs>
{
public:
    // Starts from the settings given (the defaults, or the session's).
    PdfExportPrefs(HostObject& object, ExportSettings const& start);

    ExportSettings const& Settings() const { return fSettings; }
    // The job-options file loaded last; empty when none was.
    std::string const& JobOptions() const { return fJobOptions; }

    ErrorCode LoadJobOptions(IDFile const& jobOptions) override;
    void SetUseDocumentBleed(bool16 use) override;
    void SetBleedTop(PMReal points) override;
    void SetBleedInside(PMReal points) override;
    void SetBleedOutside(PMReal points) override;
    void SetBleedBottom(PMReal points) override;
    void SetIncludeSlug(bool16 include) override;
    void SetSpreads(int32 spreads) override;
    int32 GetSpreads() const override;
    void SetCropMarks(bool16 on) override;
    void SetBleedMarks(bool16 on) override;
    void SetRegistrationMarks(bool16 on) override;
    void SetColorBars(bool16 on) override;
    void SetPageInformationMarks(bool16 on) override;
    void SetMarkOffset(PMReal points) override;
    void SetMarkWeight(PMReal points) override;

private:
    void RecordSet(char const* what, QJsonValue const& value) const;
    void SetFlag(bool ExportSettings::*setting, bool16 on, char const* what);
    void SetPoints(double ExportSettings::*setting, PMReal points, char const* what);

    ExportSettings fSettings;
    std::string fJobOptions;
};

// Every setting by its job-options key, for the transcript.
QJsonObject SettingsFields(ExportSettings const& settings);
} // namespace indesignhost
