// The command that stores the session's PDF export settings.
#include "PdfPrefsCommand.h"

#include "Host.h"

namespace indesignhost
{
PdfPrefsCommand::PdfPrefsCommand(Host& host)
    : CommandObject(host, ICommand::kSetPDFExportPrefsCmdBoss), fPrefs(*this, host.SessionPdfSettings())
{
    AddInterface(IPDFExportPrefs::kDefaultIID, &fPrefs);
}

ErrorCode PdfPrefsCommand::Process()
{
    Host& host = GetHost();
    host.StoreSessionPdfSettings(fPrefs.Settings());
    QJsonObject fields;
    fields.insert("class", static_cast<qint64>(GetClass()));
    fields.insert("jobOptions", QString::fromStdString(fPrefs.JobOptions()));
    fields.insert("settings", SettingsFields(fPrefs.Settings()));
    fields.insert("result", kSuccess);
    host.Record("command", "SetPDFExportPrefs", fields);
    return kSuccess;
}
} // namespace indesignhost
