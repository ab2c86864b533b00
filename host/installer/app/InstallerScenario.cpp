// The scenario file's reader and writer.
#include "InstallerScenario.h"

namespace
{
struct Command
{
    char const* fName;
    InstallerScenarioStep::Kind fKind;
    bool fTakesPath;
};

constexpr Command cCommands[] = {
    {"wait-search", InstallerScenarioStep::cWaitSearch, false},
    {"choose", InstallerScenarioStep::cChoose, false},
    {"browse", InstallerScenarioStep::cBrowse, true},
    {"browse-cancel", InstallerScenarioStep::cBrowseCancel, false},
    {"continue", InstallerScenarioStep::cContinue, false},
    {"back", InstallerScenarioStep::cBack, false},
    {"volume", InstallerScenarioStep::cVolume, true},
    {"show", InstallerScenarioStep::cShow, false},
    {"snapshot", InstallerScenarioStep::cSnapshot, true},
};

// The item number: 1 to 4 decimal digits; -1 otherwise.
int IndexOf(std::string const& text)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(text);
}
} // namespace

bool InstallerScenarioRead(std::string const& text, std::vector<InstallerScenarioStep>& steps,
                           std::string* error)
{
    std::vector<InstallerScenarioStep> read;
    std::string::size_type start = 0;
    for (int number = 1; start < text.size(); ++number)
    {
        std::string::size_type end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        std::string::size_type const first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        line.erase(0, first);
        std::string::size_type const space = line.find_first_of(" \t");
        std::string const name = line.substr(0, space);
        std::string const argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        auto fail = [&](std::string const& why)
        {
            if (error)
                *error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        Command const* command = nullptr;
        for (Command const& known : cCommands)
        {
            if (name == known.fName)
                command = &known;
        }
        if (!command)
            return fail("unknown command \"" + name + "\"");
        InstallerScenarioStep step{command->fKind, std::string(), 0};
        if (command->fKind == InstallerScenarioStep::cChoose)
        {
            step.fIndex = IndexOf(argument);
            if (step.fIndex < 0)
                return fail("choose needs an item number from 0 to 9999");
        }
        else if (command->fTakesPath)
        {
            if (argument.empty())
                return fail(name + " needs a path");
            step.fArgument = argument;
        }
        else if (space != std::string::npos)
            return fail(name + " takes no argument");
        read.push_back(step);
    }
    steps.swap(read);
    return true;
}

std::string InstallerScenarioWrite(std::vector<InstallerScenarioStep> const& steps)
{
    std::string text;
    for (InstallerScenarioStep const& step : steps)
    {
        for (Command const& command : cCommands)
        {
            if (command.fKind != step.fKind)
                continue;
            text += command.fName;
            if (step.fKind == InstallerScenarioStep::cChoose)
                text += " " + std::to_string(step.fIndex);
            else if (command.fTakesPath)
                text += " " + step.fArgument;
            text += "\n";
        }
    }
    return text;
}
