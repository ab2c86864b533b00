// The fault table: which host boundaries fail, when, and with what answer.
#include "FaultTable.h"

#include "HostClasses.h"

namespace indesignhost
{
namespace
{
// Points of a fixed name.
constexpr char const* cFixedPoints[] = {
    "session",
    "session.app",
    "app.actionManager",
    "actionManager.menuManager",
    "actionManager.shortcutManager",
    "prefs.loadJobOptions",
    "document.save",
    "document.open",
    "document.openNoDocument",
    "document.fontUsage",
    "package.run",
    "report.result",
    "bookManager.currentBook",
    "book.save",
    "dialog.acquire",
};

std::vector<std::string> Split(std::string const& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true)
    {
        std::size_t const dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos)
            return parts;
        start = dot + 1;
    }
}

bool IsNumber(std::string const& text)
{
    ClassID ignored = 0;
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
           ClassFromName(text, ignored);
}

std::string ClassPart(std::string const& text, std::string const& at)
{
    ClassID objectClass = 0;
    if (!ClassFromName(text, objectClass))
        throw std::invalid_argument("\"" + at + "\" names no class: \"" + text + "\"");
    return ClassName(objectClass);
}
} // namespace

std::string FaultTable::Normalize(std::string const& at)
{
    for (char const* fixed : cFixedPoints)
        if (at == fixed)
            return at;
    std::vector<std::string> const parts = Split(at);
    if (parts.size() == 2 && parts[0] == "utils" && IsNumber(parts[1]))
        return at;
    if (parts.size() == 2 && (parts[0] == "createCommand" || parts[0] == "createObject"))
        return parts[0] + "." + ClassPart(parts[1], at);
    if (parts.size() == 3 && parts[0] == "command" && parts[1] == "process")
        return "command.process." + ClassPart(parts[2], at);
    if (parts.size() == 3 && parts[0] == "query" && IsNumber(parts[2]))
        return "query." + ClassPart(parts[1], at) + "." + parts[2];
    throw std::invalid_argument("\"" + at + "\" is no fault point");
}

void FaultTable::Add(Fault fault)
{
    fault.at = Normalize(fault.at);
    if (fault.skip < 0)
        throw std::invalid_argument("\"" + fault.at + "\": skip is below 0");
    if (fault.times < 1)
        throw std::invalid_argument("\"" + fault.at + "\": times is below 1");
    fault.hits = 0;
    fault.fired = 0;
    fFaults.push_back(std::move(fault));
}

std::optional<int32> FaultTable::Fires(std::string const& at, int32 failureResult)
{
    // Every fault of the point counts the call; the first one listed that is due fires.
    Fault* due = nullptr;
    for (Fault& fault : fFaults)
    {
        if (fault.at != at)
            continue;
        ++fault.hits;
        if (!due && fault.hits > fault.skip && fault.fired < fault.times)
            due = &fault;
    }
    if (!due)
        return std::nullopt;
    ++due->fired;
    int32 const result = due->result ? *due->result : failureResult;
    QJsonObject fields;
    fields.insert("result", result);
    fields.insert("firing", due->fired);
    fTranscript.Record("fault", at, fields);
    return result;
}

std::vector<std::string> FaultTable::NeverFired() const
{
    std::vector<std::string> unused;
    for (Fault const& fault : fFaults)
        if (fault.fired == 0)
            unused.push_back(fault.at);
    return unused;
}
} // namespace indesignhost
