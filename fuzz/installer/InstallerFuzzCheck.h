// The check of the Installer's fuzz programs, which the Installer stand-in's test program builds too,
// with no foundation at hand: a property that must hold, or the run ends as a crash libFuzzer records.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace installerfuzz
{
inline void Check(bool holds, char const* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}
} // namespace installerfuzz
