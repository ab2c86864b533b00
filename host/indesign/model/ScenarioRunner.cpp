// A scenario played on a host.
#include "ScenarioRunner.h"

#include <filesystem>
#include <system_error>

#include "BookObject.h"
#include "DocumentObject.h"
#include "Host.h"
#include "HostFileError.h"
#include "HostObserver.h"
#include "ScenarioError.h"

namespace indesignhost
{
namespace
{
char const* StepName(ScenarioStep::Kind kind)
{
    switch (kind)
    {
    case ScenarioStep::Kind::Menu:
        return "menu";
    case ScenarioStep::Kind::Shortcut:
        return "shortcut";
    case ScenarioStep::Kind::MenuState:
        return "menuState";
    case ScenarioStep::Kind::DeleteFontFile:
        return "deleteFontFile";
    case ScenarioStep::Kind::Modify:
        return "modify";
    case ScenarioStep::Kind::Startup:
        return "startup";
    case ScenarioStep::Kind::Quit:
        return "quit";
    }
    return "";
}

// The first file of that name in the folders (and the folders in them), in the folders' order.
std::string FindFile(std::vector<std::string> const& folders, std::string const& name)
{
    for (std::string const& folder : folders)
    {
        std::error_code error;
        std::filesystem::recursive_directory_iterator it(folder, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
            if (it->path().filename() == name && it->is_regular_file(error))
                return it->path().string();
    }
    return std::string();
}
} // namespace

void ScenarioRunner::Prepare()
{
    std::string const& path = fScenario.path;
    if (fScenario.unit != 0)
        fHost.SetApplicationUnit(fScenario.unit);
    for (Fault const& fault : fScenario.faults)
        fHost.Faults().Add(fault);
    for (int16 answer : fScenario.alertAnswers)
        fHost.QueueAlertAnswer(answer);

    std::vector<IDocument*> documents;
    for (std::size_t i = 0; i < fScenario.documents.size(); ++i)
    {
        ScenarioDocument const& wanted = fScenario.documents[i];
        std::string const field = "documents[" + std::to_string(i) + "].file";
        try
        {
            IDocument* const document = fHost.OpenDocument(wanted.file);
            if (wanted.modified)
                fHost.SetDocumentModified(document, true);
            if (wanted.unit != 0)
                fHost.SetDocumentUnit(document, wanted.unit);
            documents.push_back(document);
        }
        catch (HostFileError const& error)
        {
            throw ScenarioError(path, field, error.what());
        }
    }
    std::vector<IBook*> books;
    for (std::size_t i = 0; i < fScenario.books.size(); ++i)
    {
        ScenarioBook const& wanted = fScenario.books[i];
        std::string const field = "books[" + std::to_string(i) + "]";
        IBook* book = nullptr;
        try
        {
            book = fHost.OpenBook(wanted.file);
        }
        catch (HostFileError const& error)
        {
            throw ScenarioError(path, field + ".file", error.what());
        }
        if (wanted.modified)
            fHost.SetBookModified(book, true);
        try
        {
            fHost.SetPanelSelection(book, wanted.panelSelection);
        }
        catch (std::invalid_argument const& error)
        {
            throw ScenarioError(path, field + ".panelSelection", error.what());
        }
        books.push_back(book);
    }

    // The names were checked against the files listed; the first document or book of the name
    // is the one meant.
    auto documentNamed = [&](std::string const& name) -> IDocument*
    {
        for (IDocument* document : documents)
            if (fHost.FindDocument(document)->Name() == name)
                return document;
        return nullptr;
    };
    auto bookNamed = [&](std::string const& name) -> IBook*
    {
        for (IBook* book : books)
            if (fHost.FindBook(book)->FileName() == name)
                return book;
        return nullptr;
    };
    if (fScenario.front)
        fHost.SetFrontDocument(documentNamed(*fScenario.front));
    if (fScenario.currentBook)
        fHost.SetCurrentBook(bookNamed(*fScenario.currentBook));
    if (fScenario.panelBook)
        fHost.SetPanelBook(bookNamed(*fScenario.panelBook));
}

void ScenarioRunner::RunSteps()
{
    for (ScenarioStep const& step : fScenario.steps)
    {
        if (fHost.Observer())
            fHost.Observer()->BetweenSteps();
        QJsonObject fields;
        fields.insert("field", QString::fromStdString(step.field));
        fHost.Record("step", StepName(step.kind), fields);
        if (step.kind == ScenarioStep::Kind::Quit)
            return;
        TakeStep(step);
        if (fHost.PlugInFailed())
            return;
    }
    if (fHost.Observer())
        fHost.Observer()->BetweenSteps();
}

void ScenarioRunner::TakeStep(ScenarioStep const& step)
{
    switch (step.kind)
    {
    case ScenarioStep::Kind::Menu:
        fHost.ChooseMenuItem(step.text, step.item);
        return;
    case ScenarioStep::Kind::Shortcut:
        fHost.PressShortcut(step.text);
        return;
    case ScenarioStep::Kind::MenuState:
        fHost.RecordMenuState(step.text);
        return;
    case ScenarioStep::Kind::DeleteFontFile:
    {
        std::string const file = FindFile(fHost.Fonts().Folders(), step.text);
        std::error_code error;
        if (file.empty() || !std::filesystem::remove(file, error))
            throw ScenarioError(fScenario.path, step.field + ".deleteFontFile",
                                "no font folder holds a file \"" + step.text + "\" to delete");
        QJsonObject fields;
        fields.insert("path", QString::fromStdString(file));
        fHost.Record("user", "DeleteFontFile", fields);
        return;
    }
    case ScenarioStep::Kind::Modify:
        for (IDocument* document : fHost.Documents())
            if (fHost.FindDocument(document)->Name() == step.text)
            {
                fHost.SetDocumentModified(document, true);
                return;
            }
        throw ScenarioError(fScenario.path, step.field + ".modify",
                            "no open document is named \"" + step.text + "\"");
    case ScenarioStep::Kind::Startup:
        fHost.StartServices();
        return;
    case ScenarioStep::Kind::Quit:
        return;
    }
}
} // namespace indesignhost
