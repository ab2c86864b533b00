// Host commands and the classes the host has.
#include "CommandObject.h"

#include <sys/stat.h>

#include "BookExportCommand.h"
#include "Host.h"
#include "PdfExportCommand.h"
#include "PdfPrefsCommand.h"

namespace indesignhost
{
CommandObject::CommandObject(Host& host, ClassID commandClass) : HostObject(host, commandClass, true)
{
    AddInterface(ICommand::kDefaultIID, &fCommand);
}

std::unique_ptr<CommandObject> CommandObject::Make(Host& host, ClassID commandClass)
{
    switch (commandClass)
    {
    case ICommand::kPDFExportCmdBoss:
        return std::make_unique<PdfExportCommand>(host);
    case ICommand::kSetPDFExportPrefsCmdBoss:
        return std::make_unique<PdfPrefsCommand>(host);
    case ICommand::kBookExportCmdBoss:
        return std::make_unique<BookExportCommand>(host);
    default:
        return nullptr;
    }
}

ErrorCode CommandObject::WritePdfAndRecord(PdfJob const& job, std::string const& output, std::string error,
                                           QJsonObject fields, char const* commandName)
{
    Host& host = GetHost();
    host.Fonts().Rescan();
    bool const written = error.empty() && WritePdf(output, job, error);
    ErrorCode const result = written ? kSuccess : kFailure;
    if (!written)
        fields.insert("error", QString::fromStdString(error));
    fields.insert("result", result);
    host.Record("command", commandName, fields);
    if (written)
    {
        int pages = 0;
        for (PdfDocumentPages const& document : job.documents)
            pages += static_cast<int>(document.pages.size());
        struct stat status;
        QJsonObject file;
        file.insert("path", QString::fromStdString(output));
        file.insert("pages", pages);
        file.insert("size", stat(output.c_str(), &status) == 0 ? static_cast<qint64>(status.st_size) : -1);
        host.Record("file", "pdf", file);
    }
    return result;
}

QJsonArray UIDNumbers(UIDList const& list)
{
    QJsonArray numbers;
    for (int32 i = 0; i < list.Length(); ++i)
        numbers.append(static_cast<qint64>(list[i]));
    return numbers;
}
} // namespace indesignhost
