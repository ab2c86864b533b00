// The checks of the fuzz programs, which the test programs that replay their seeds build too (with
// no libFuzzer at hand): a property that must hold, and an operation whose failures must be the
// expected ones.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "GException.h"

namespace fuzzsupport
{
// Ends the run as a crash that libFuzzer records, with what did not hold.
[[noreturn]] inline void Fail(char const* what, std::string const& detail = std::string())
{
    std::fprintf(stderr, "fuzz property broken: %s\n%s\n", what, detail.c_str());
    std::abort();
}

inline void Check(bool holds, char const* what, std::string const& detail = std::string())
{
    if (!holds)
        Fail(what, detail);
}

// Runs the operation; a GException it throws must carry an ID that isExpected accepts, any other
// ends the run. True when the operation succeeded.
template<class IsExpected, class Operation>
bool TryExpecting(char const* what, IsExpected isExpected, Operation operation)
{
    try
    {
        operation();
        return true;
    }
    catch (GException const& exception)
    {
        if (!isExpected(exception.GetExceptionID()))
            Fail(what, "threw " + std::to_string(exception.GetExceptionID()));
        return false;
    }
}
} // namespace fuzzsupport
