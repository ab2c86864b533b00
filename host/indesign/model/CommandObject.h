// A host command: made by its class, given its data through its further interfaces, processed once
// or more. The commands a plug-in makes: the PDF export, the set-PDF-export-preferences command,
// and the book export.
#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include <memory>
#include <string>

#include "HostObject.h"
#include "ICommand.h"
#include "PdfWriter.h"
#include "UIDList.h"

namespace indesignhost
{
class CommandObject : public HostObject
{
public:
    CommandObject(Host& host, ClassID commandClass);

    ICommand* GetCommand() { return &fCommand; }
    // Does the command's work; records what it did.
    virtual ErrorCode Process() = 0;

    // A new command of the class, or null when the host has none of it.
    static std::unique_ptr<CommandObject> Make(Host& host, ClassID commandClass);

protected:
    // Writes the job's PDF to the output unless an error came first, then records the command with
    // its result and, when the file was written, the file with its pages and size.
    ErrorCode WritePdfAndRecord(PdfJob const& job, std::string const& output, std::string error,
                                QJsonObject fields, char const* commandName);

private:
    class Command : public Facet<ICommand>
    {
    public:
        explicit Command(CommandObject& object) : Facet<ICommand>(object) {}
        ClassID GetCommandClass() const override { return Object().GetClass(); }
    };

    Command fCommand{*this};
};

// The list's numbers, for the transcript.
QJsonArray UIDNumbers(UIDList const& list);
} // namespace indesignhost
