// Scenario files of the installer host: any bytes read without a crash, and the steps read are
// written into a text that reads back as the same steps.
#include "InstallerScenario.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    std::string const text(reinterpret_cast<char const*>(data), size);
    std::vector<InstallerScenarioStep> steps;
    std::string error;
    if (!InstallerScenarioRead(text, steps, &error))
    {
        if (error.empty() || !steps.empty())
        {
            std::fprintf(stderr,
                         "fuzz property broken: a refused scenario without its reason or with steps\n");
            std::abort();
        }
        return 0;
    }
    std::vector<InstallerScenarioStep> again;
    if (!InstallerScenarioRead(InstallerScenarioWrite(steps), again, &error) || !(again == steps))
    {
        std::fprintf(stderr, "fuzz property broken: the written scenario does not read back: %s\n",
                     error.c_str());
        std::abort();
    }
    return 0;
}
