// Faults injected at the host's boundaries: at a named point the host answers as if it had failed
// (no object, a non-zero result) instead of doing its work. Each fault fires a number of times after
// letting a number of calls pass; each firing is recorded in the transcript, and a fault that never
// fired is reported at quit, so that a test cannot pass on a fault it never reached. The points are
// listed in README.md beside this header.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "SDKTypes.h"
#include "Transcript.h"

namespace indesignhost
{
struct Fault
{
    std::string at;
    // Calls at the point that pass before the fault fires.
    int skip = 0;
    // How many calls after those fail.
    int times = 1;
    // The answer where the point answers a number; the point's own failure answer when absent.
    std::optional<int32> result;
    int hits = 0;
    int fired = 0;
};

class FaultTable
{
public:
    explicit FaultTable(Transcript& transcript) : fTranscript(transcript) {}

    // Throws std::invalid_argument naming what is wrong for a name that is no fault point, a
    // negative skip or a times below 1. Class numbers the host has names for are kept as names.
    void Add(Fault fault);
    // The point's name as the table keeps it; throws std::invalid_argument for no fault point.
    static std::string Normalize(std::string const& at);

    // Whether the fault at the point fires for this call; then its answer (the fault's result, else
    // failureResult). Records the firing.
    std::optional<int32> Fires(std::string const& at, int32 failureResult = kFailure);

    std::vector<Fault> const& Faults() const { return fFaults; }
    // The points of the faults that never fired.
    std::vector<std::string> NeverFired() const;

private:
    Transcript& fTranscript;
    std::vector<Fault> fFaults;
};
} // namespace indesignhost
