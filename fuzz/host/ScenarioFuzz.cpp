// Any bytes as a scenario of the host program: reading gives a scenario or a ScenarioError naming
// the file, never a crash or a hang; a scenario read holds only what its reader promises (absolute
// paths, fault points the fault table knows, steps that name what they need, nothing after quit).
#include <cstdint>
#include <fstream>
#include <string>

#include "FaultTable.h"
#include "FuzzCheck.h"
#include "Scenario.h"
#include "ScenarioError.h"
#include "TempFolder.h"

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace
{
using fuzzsupport::Check;
using indesignhost::Scenario;
using indesignhost::ScenarioError;
using indesignhost::ScenarioStep;

testsupport::TempFolder& Workspace()
{
    static testsupport::TempFolder folder("sendrix-scenario-fuzz");
    return folder;
}

bool IsAbsolute(std::string const& path)
{
    return !path.empty() && path[0] == '/';
}

void CheckScenario(Scenario const& scenario)
{
    for (std::string const& folder : scenario.fontFolders)
        Check(IsAbsolute(folder), "font folders are absolute", folder);
    for (auto const& document : scenario.documents)
        Check(IsAbsolute(document.file), "document files are absolute", document.file);
    for (auto const& book : scenario.books)
        Check(IsAbsolute(book.file), "book files are absolute", book.file);
    Check(!scenario.front || scenario.front->empty() || !scenario.documents.empty(),
          "the front document is listed");
    for (auto const& fault : scenario.faults)
    {
        Check(indesignhost::FaultTable::Normalize(fault.at) == fault.at, "fault points are kept normalized",
              fault.at);
        Check(fault.times >= 1 && fault.skip >= 0, "fault counts are in range", fault.at);
    }
    for (auto const& answer : scenario.alertAnswers)
        Check(answer >= 0 && answer <= 3, "alert answers are buttons");
    for (std::size_t i = 0; i < scenario.steps.size(); ++i)
    {
        ScenarioStep const& step = scenario.steps[i];
        Check(step.kind != ScenarioStep::Kind::Quit || i + 1 == scenario.steps.size(),
              "quit is the last step");
        Check(step.kind != ScenarioStep::Kind::Menu || (!step.text.empty() && !step.item.empty()),
              "a menu step names its menu and item", step.field);
    }
}
} // namespace

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    std::string const input(reinterpret_cast<char const*>(data), size);
    std::string const path = (Workspace() / "scenario.json").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(input.data(), std::streamsize(input.size()));
    try
    {
        CheckScenario(indesignhost::ReadScenario(path));
    }
    catch (ScenarioError const& error)
    {
        Check(error.Path() == path, "an error names the file", error.what());
        Check(std::string(error.what()).rfind(path + ": ", 0) == 0, "an error's message starts with the file",
              error.what());
    }
    return 0;
}
