// Plays a scenario on a host: opens its documents and books, sets the book panel, the faults and
// the alerts' answers, then takes its steps one by one.
#pragma once

#include "Scenario.h"

namespace indesignhost
{
class Host;

class ScenarioRunner
{
public:
    ScenarioRunner(Host& host, Scenario const& scenario) : fHost(host), fScenario(scenario) {}

    // Before the plug-ins load, so that faults reach their start-up too. Throws ScenarioError
    // naming the field of a file that cannot be opened as what it should be.
    void Prepare();
    // Takes the steps until the quit step or the end; stops early when a plug-in call failed.
    // Throws ScenarioError for a step the host cannot take (a font file in no font folder, a
    // document that is not open).
    void RunSteps();

private:
    void TakeStep(ScenarioStep const& step);

    Host& fHost;
    Scenario const& fScenario;
};
} // namespace indesignhost
