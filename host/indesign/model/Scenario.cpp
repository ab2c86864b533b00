// The scenario file's reader.
#include "Scenario.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <cstdint>
#include <set>

#include "FileBytes.h"
#include "JsonValue.h"
#include "ScenarioError.h"
#include "Units.h"

namespace indesignhost
{
namespace
{
using Kind = JsonValue::Kind;

// The object's value of the key; a null value when it has none.
JsonValue const& ValueOf(JsonValue const& object, char const* key)
{
    static JsonValue const sNull;
    JsonValue const* const value = object.Find(key);
    return value ? *value : sNull;
}

bool Has(JsonValue const& object, char const* key)
{
    return object.Find(key) != nullptr;
}

class Reader
{
public:
    explicit Reader(std::string const& path) : fPath(path) {}

    [[noreturn]] void Fail(std::string const& field, std::string const& detail) const
    {
        throw ScenarioError(fPath, field, detail);
    }

    void RequireKnown(JsonValue const& object, std::string const& field,
                      std::initializer_list<char const*> known) const
    {
        for (std::string const& key : object.keys)
        {
            bool found = false;
            for (char const* name : known)
                found = found || key == name;
            if (!found)
                Fail(Member(field, key), "is no field of the scenario here");
        }
    }

    JsonValue const& Object(JsonValue const& value, std::string const& field) const
    {
        if (value.kind != Kind::Object)
            Fail(field, "must be an object");
        return value;
    }

    std::vector<JsonValue> const& Array(JsonValue const& value, std::string const& field) const
    {
        if (value.kind != Kind::Array)
            Fail(field, "must be an array");
        return value.items;
    }

    std::string Text(JsonValue const& value, std::string const& field) const
    {
        if (value.kind != Kind::String)
            Fail(field, "must be a text");
        if (value.text.find('\0') != std::string::npos)
            Fail(field, "must not hold a NUL character");
        return value.text;
    }

    std::string NonEmptyText(JsonValue const& value, std::string const& field) const
    {
        std::string const text = Text(value, field);
        if (text.empty())
            Fail(field, "must not be empty");
        return text;
    }

    bool Truth(JsonValue const& value, std::string const& field) const
    {
        if (value.kind != Kind::Boolean)
            Fail(field, "must be true or false");
        return value.boolean;
    }

    long long Whole(JsonValue const& value, std::string const& field, long long low, long long high) const
    {
        double const number = value.number;
        if (value.kind != Kind::Number || !std::isfinite(number) || number != std::floor(number) ||
            number < static_cast<double>(low) || number > static_cast<double>(high))
            Fail(field, "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        return static_cast<long long>(number);
    }

    ClassID Unit(JsonValue const& value, std::string const& field) const
    {
        std::string const name = Text(value, field);
        ClassID unit = 0;
        if (!UnitFromName(name, unit))
        {
            std::string known;
            for (std::string const& one : UnitNames())
                known += (known.empty() ? "" : ", ") + one;
            Fail(field, "\"" + name + "\" is no unit (" + known + ")");
        }
        return unit;
    }

    // A path of the scenario, taken from its folder.
    std::string FilePath(JsonValue const& value, std::string const& field, std::string const& folder) const
    {
        std::string const text = NonEmptyText(value, field);
        return QDir::cleanPath(
                   QDir(QString::fromStdString(folder)).absoluteFilePath(QString::fromStdString(text)))
            .toStdString();
    }

    static std::string Member(std::string const& field, std::string const& name)
    {
        return field.empty() ? name : field + "." + name;
    }
    static std::string Item(std::string const& field, int index)
    {
        return field + "[" + std::to_string(index) + "]";
    }

private:
    std::string fPath;
};

std::string LeafOf(std::string const& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// A file name among the listed files' names, null for none, or absent for the default.
std::optional<std::string> ReadChoice(Reader const& reader, JsonValue const& root, char const* key,
                                      std::vector<std::string> const& files,
                                      std::optional<std::string> fallback)
{
    if (!Has(root, key))
        return fallback;
    JsonValue const& value = ValueOf(root, key);
    if (value.kind == Kind::Null)
        return std::string();
    std::string const name = reader.NonEmptyText(value, key);
    for (std::string const& file : files)
        if (LeafOf(file) == name)
            return name;
    reader.Fail(key, "\"" + name + "\" is not among the files the scenario opens");
}

ScenarioStep ReadStep(Reader const& reader, JsonValue const& value, std::string const& field)
{
    JsonValue const& object = reader.Object(value, field);
    reader.RequireKnown(
        object, field,
        {"menu", "item", "shortcut", "menuState", "deleteFontFile", "modify", "startup", "quit"});
    ScenarioStep step;
    step.field = field;
    int kinds = 0;
    if (Has(object, "menu"))
    {
        ++kinds;
        step.kind = ScenarioStep::Kind::Menu;
        step.text = reader.NonEmptyText(ValueOf(object, "menu"), Reader::Member(field, "menu"));
        if (!Has(object, "item"))
            reader.Fail(Reader::Member(field, "item"), "is missing: a menu step names the item to choose");
        step.item = reader.NonEmptyText(ValueOf(object, "item"), Reader::Member(field, "item"));
    }
    else if (Has(object, "item"))
        reader.Fail(Reader::Member(field, "item"), "belongs to a menu step");
    struct Simple
    {
        char const* key;
        ScenarioStep::Kind kind;
    };
    for (Simple const simple : {Simple{"shortcut", ScenarioStep::Kind::Shortcut},
                                Simple{"menuState", ScenarioStep::Kind::MenuState},
                                Simple{"deleteFontFile", ScenarioStep::Kind::DeleteFontFile},
                                Simple{"modify", ScenarioStep::Kind::Modify}})
        if (Has(object, simple.key))
        {
            ++kinds;
            step.kind = simple.kind;
            step.text = reader.NonEmptyText(ValueOf(object, simple.key), Reader::Member(field, simple.key));
        }
    for (Simple const flag :
         {Simple{"startup", ScenarioStep::Kind::Startup}, Simple{"quit", ScenarioStep::Kind::Quit}})
        if (Has(object, flag.key))
        {
            ++kinds;
            step.kind = flag.kind;
            if (!reader.Truth(ValueOf(object, flag.key), Reader::Member(field, flag.key)))
                reader.Fail(Reader::Member(field, flag.key), "must be true");
        }
    if (kinds != 1)
        reader.Fail(field, kinds == 0 ? "names no step" : "names more than one step");
    if (step.kind == ScenarioStep::Kind::DeleteFontFile && step.text.find('/') != std::string::npos)
        reader.Fail(Reader::Member(field, "deleteFontFile"), "must be a file name, without a folder");
    return step;
}

// An object's keys, each a label the robot looks for: none empty or holding NUL.
void CheckLabels(Reader const& reader, JsonValue const& object, std::string const& field)
{
    for (std::string const& key : object.keys)
    {
        if (key.empty())
            reader.Fail(field, "names a control by an empty text");
        if (key.find('\0') != std::string::npos)
            reader.Fail(Reader::Member(field, key), "must not hold a NUL character");
    }
}

std::vector<std::string> ReadLabelList(Reader const& reader, JsonValue const& value, std::string const& field)
{
    std::vector<std::string> labels;
    std::vector<JsonValue> const& items = reader.Array(value, field);
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        labels.push_back(reader.NonEmptyText(items[i], Reader::Item(field, i)));
    return labels;
}

// A spin box's value as the user types it: a text, or a number written as a person would.
std::string SpinBoxText(Reader const& reader, JsonValue const& value, std::string const& field)
{
    if (value.kind == Kind::Number)
    {
        if (!std::isfinite(value.number))
            reader.Fail(field, "must be a finite number");
        return QString::number(value.number, 'g', 15).toStdString();
    }
    if (value.kind != Kind::String)
        reader.Fail(field, "must be a text or a number");
    return reader.NonEmptyText(value, field);
}

ScenarioUiEntry ReadUiEntry(Reader const& reader, JsonValue const& value, std::string const& field)
{
    JsonValue const& object = reader.Object(value, field);
    reader.RequireKnown(object, field,
                        {"window", "message", "choose", "click", "type", "tick", "expand", "set", "press", "alt"});
    ScenarioUiEntry entry;
    entry.field = field;
    if (Has(object, "window"))
        entry.window = reader.NonEmptyText(ValueOf(object, "window"), Reader::Member(field, "window"));
    if (Has(object, "message"))
        entry.message = reader.NonEmptyText(ValueOf(object, "message"), Reader::Member(field, "message"));
    if (entry.window.empty() && entry.message.empty())
        reader.Fail(field, "names no window: \"window\" (a title) or \"message\" (a message box's text) is needed");

    // Each action's pairs, read in file order with the reader that makes their value.
    auto readPairs = [&](char const* key, auto&& readValue, auto& into)
    {
        if (!Has(object, key))
            return;
        std::string const actionField = Reader::Member(field, key);
        JsonValue const& pairs = reader.Object(ValueOf(object, key), actionField);
        CheckLabels(reader, pairs, actionField);
        for (std::size_t i = 0; i < pairs.keys.size(); ++i)
            into.emplace_back(pairs.keys[i], readValue(pairs.items[i], Reader::Member(actionField, pairs.keys[i])));
    };
    readPairs(
        "choose", [&](JsonValue const& item, std::string const& itemField)
        { return reader.NonEmptyText(item, itemField); },
        entry.choose);
    if (Has(object, "click"))
        entry.click = ReadLabelList(reader, ValueOf(object, "click"), Reader::Member(field, "click"));
    readPairs(
        "type", [&](JsonValue const& item, std::string const& itemField) { return reader.Text(item, itemField); },
        entry.type);
    readPairs(
        "tick", [&](JsonValue const& item, std::string const& itemField) { return reader.Truth(item, itemField); },
        entry.tick);
    if (Has(object, "expand"))
        entry.expand = ReadLabelList(reader, ValueOf(object, "expand"), Reader::Member(field, "expand"));
    readPairs(
        "set", [&](JsonValue const& item, std::string const& itemField)
        { return SpinBoxText(reader, item, itemField); },
        entry.set);
    for (std::string const& key : object.keys)
        if (key == "choose" || key == "click" || key == "type" || key == "tick" || key == "expand" || key == "set")
            entry.order.push_back(key);
    if (Has(object, "press"))
        entry.press = reader.NonEmptyText(ValueOf(object, "press"), Reader::Member(field, "press"));
    if (Has(object, "alt"))
    {
        entry.alt = reader.Truth(ValueOf(object, "alt"), Reader::Member(field, "alt"));
        if (entry.alt && entry.press.empty())
            reader.Fail(Reader::Member(field, "alt"), "is held while a button is pressed: \"press\" is needed");
    }
    return entry;
}
} // namespace

Scenario ParseScenario(std::string const& text, std::string const& path)
{
    Reader const reader(path);
    JsonValue document;
    std::string error;
    int line = 0;
    if (!ParseJson(text, document, error, line))
        reader.Fail("", "not JSON at line " + std::to_string(line) + ": " + error);
    if (document.kind != Kind::Object)
        reader.Fail("", "the scenario must be a JSON object");
    JsonValue const& root = document;
    reader.RequireKnown(root, "",
                        {"application", "documents", "books", "front", "currentBook", "panelBook", "faults",
                         "alerts", "ui", "steps"});

    Scenario scenario;
    scenario.path = path;
    scenario.folder = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();

    if (Has(root, "application"))
    {
        JsonValue const& application = reader.Object(ValueOf(root, "application"), "application");
        reader.RequireKnown(application, "application", {"unit", "fontFolders"});
        if (Has(application, "unit"))
            scenario.unit = reader.Unit(ValueOf(application, "unit"), "application.unit");
        if (Has(application, "fontFolders"))
        {
            std::vector<JsonValue> const& folders =
                reader.Array(ValueOf(application, "fontFolders"), "application.fontFolders");
            for (int i = 0; i < static_cast<int>(folders.size()); ++i)
                scenario.fontFolders.push_back(
                    reader.FilePath(folders[i], Reader::Item("application.fontFolders", i), scenario.folder));
        }
    }

    std::vector<std::string> documentFiles;
    if (Has(root, "documents"))
    {
        std::vector<JsonValue> const& documents = reader.Array(ValueOf(root, "documents"), "documents");
        for (int i = 0; i < static_cast<int>(documents.size()); ++i)
        {
            std::string const field = Reader::Item("documents", i);
            JsonValue const& object = reader.Object(documents[i], field);
            reader.RequireKnown(object, field, {"file", "modified", "unit"});
            if (!Has(object, "file"))
                reader.Fail(Reader::Member(field, "file"), "is missing");
            ScenarioDocument document;
            document.file =
                reader.FilePath(ValueOf(object, "file"), Reader::Member(field, "file"), scenario.folder);
            if (Has(object, "modified"))
                document.modified = reader.Truth(ValueOf(object, "modified"), Reader::Member(field, "modified"));
            if (Has(object, "unit"))
                document.unit = reader.Unit(ValueOf(object, "unit"), Reader::Member(field, "unit"));
            documentFiles.push_back(document.file);
            scenario.documents.push_back(document);
        }
    }

    std::vector<std::string> bookFiles;
    if (Has(root, "books"))
    {
        std::vector<JsonValue> const& books = reader.Array(ValueOf(root, "books"), "books");
        for (int i = 0; i < static_cast<int>(books.size()); ++i)
        {
            std::string const field = Reader::Item("books", i);
            JsonValue const& object = reader.Object(books[i], field);
            reader.RequireKnown(object, field, {"file", "modified", "panelSelection"});
            if (!Has(object, "file"))
                reader.Fail(Reader::Member(field, "file"), "is missing");
            ScenarioBook book;
            book.file = reader.FilePath(ValueOf(object, "file"), Reader::Member(field, "file"), scenario.folder);
            if (Has(object, "modified"))
                book.modified = reader.Truth(ValueOf(object, "modified"), Reader::Member(field, "modified"));
            if (Has(object, "panelSelection"))
            {
                std::string const selectionField = Reader::Member(field, "panelSelection");
                std::vector<JsonValue> const& selection = reader.Array(ValueOf(object, "panelSelection"), selectionField);
                for (int k = 0; k < static_cast<int>(selection.size()); ++k)
                    book.panelSelection.push_back(
                        reader.NonEmptyText(selection[k], Reader::Item(selectionField, k)));
            }
            bookFiles.push_back(book.file);
            scenario.books.push_back(book);
        }
    }

    std::optional<std::string> const lastDocument =
        documentFiles.empty() ? std::optional<std::string>() : LeafOf(documentFiles.back());
    std::optional<std::string> const lastBook =
        bookFiles.empty() ? std::optional<std::string>() : LeafOf(bookFiles.back());
    scenario.front = ReadChoice(reader, root, "front", documentFiles, lastDocument);
    scenario.currentBook = ReadChoice(reader, root, "currentBook", bookFiles, lastBook);
    scenario.panelBook = ReadChoice(reader, root, "panelBook", bookFiles, lastBook);

    if (Has(root, "faults"))
    {
        std::vector<JsonValue> const& faults = reader.Array(ValueOf(root, "faults"), "faults");
        for (int i = 0; i < static_cast<int>(faults.size()); ++i)
        {
            std::string const field = Reader::Item("faults", i);
            JsonValue const& object = reader.Object(faults[i], field);
            reader.RequireKnown(object, field, {"at", "times", "skip", "result"});
            if (!Has(object, "at"))
                reader.Fail(Reader::Member(field, "at"), "is missing");
            Fault fault;
            fault.at = reader.NonEmptyText(ValueOf(object, "at"), Reader::Member(field, "at"));
            try
            {
                fault.at = FaultTable::Normalize(fault.at);
            }
            catch (std::invalid_argument const& wrong)
            {
                reader.Fail(Reader::Member(field, "at"), wrong.what());
            }
            if (Has(object, "times"))
                fault.times = static_cast<int>(
                    reader.Whole(ValueOf(object, "times"), Reader::Member(field, "times"), 1, 1000000));
            if (Has(object, "skip"))
                fault.skip = static_cast<int>(
                    reader.Whole(ValueOf(object, "skip"), Reader::Member(field, "skip"), 0, 1000000));
            if (Has(object, "result"))
                fault.result = static_cast<int32>(reader.Whole(
                    ValueOf(object, "result"), Reader::Member(field, "result"), INT32_MIN, INT32_MAX));
            scenario.faults.push_back(fault);
        }
    }

    if (Has(root, "alerts"))
    {
        std::vector<JsonValue> const& alerts = reader.Array(ValueOf(root, "alerts"), "alerts");
        for (int i = 0; i < static_cast<int>(alerts.size()); ++i)
            scenario.alertAnswers.push_back(
                static_cast<int16>(reader.Whole(alerts[i], Reader::Item("alerts", i), 0, 3)));
    }

    if (Has(root, "ui"))
    {
        std::vector<JsonValue> const& entries = reader.Array(ValueOf(root, "ui"), "ui");
        for (int i = 0; i < static_cast<int>(entries.size()); ++i)
            scenario.ui.push_back(ReadUiEntry(reader, entries[i], Reader::Item("ui", i)));
    }

    if (Has(root, "steps"))
    {
        std::vector<JsonValue> const& steps = reader.Array(ValueOf(root, "steps"), "steps");
        for (int i = 0; i < static_cast<int>(steps.size()); ++i)
        {
            if (!scenario.steps.empty() && scenario.steps.back().kind == ScenarioStep::Kind::Quit)
                reader.Fail(Reader::Item("steps", i), "comes after the quit step");
            scenario.steps.push_back(ReadStep(reader, steps[i], Reader::Item("steps", i)));
        }
    }
    return scenario;
}

Scenario ReadScenario(std::string const& path)
{
    std::string bytes;
    std::string reason;
    if (!TryReadFileBytes(path, bytes, reason))
        throw ScenarioError(path, "", reason);
    return ParseScenario(bytes, path);
}
} // namespace indesignhost
