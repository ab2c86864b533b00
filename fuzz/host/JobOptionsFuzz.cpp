// Any bytes as a job-options file, as anyone who can put a file into a Sendrixor's archive can write
// it: reading gives settings or a JobOptionsError naming the file (at a line the file has), never a
// crash or a hang; settings read write out as text that reads back as the same settings, and writing
// those gives the same text again.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>

#include "ExportSettings.h"
#include "FuzzCheck.h"
#include "JobOptionsError.h"
#include "TempFolder.h"

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace
{
using fuzzsupport::Check;
using indesignhost::ExportSettings;
using indesignhost::JobOptionsError;

testsupport::TempFolder& Workspace()
{
    static testsupport::TempFolder folder("sendrix-joboptions-fuzz");
    return folder;
}

int LinesOf(std::string const& text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n') +
                                std::count(text.begin(), text.end(), '\r'));
}
} // namespace

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    std::string const input(reinterpret_cast<char const*>(data), size);
    std::string const path = (Workspace() / "input.joboptions").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(input.data(), std::streamsize(input.size()));

    ExportSettings settings;
    try
    {
        settings = indesignhost::ReadJobOptions(path);
    }
    catch (JobOptionsError const& error)
    {
        Check(error.Path() == path, "an error names the file", error.what());
        Check(error.Line() >= 0 && error.Line() <= LinesOf(input), "an error's line is in the file",
              error.what());
        Check(std::string(error.what()).rfind(path, 0) == 0, "an error's message starts with the file",
              error.what());
        return 0;
    }

    std::string const written = indesignhost::WriteJobOptions(settings);
    ExportSettings back;
    try
    {
        back = indesignhost::ReadJobOptionsText(written, "written");
    }
    catch (JobOptionsError const& error)
    {
        fuzzsupport::Fail("what is written reads back", std::string(error.what()) + "\n" + written);
    }
    Check(back == settings, "what is written reads back as the settings read", written);
    Check(indesignhost::WriteJobOptions(back) == written, "writing what was read back gives the same text",
          written);
    return 0;
}
