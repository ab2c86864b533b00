// The ".strings" files in which bundles keep their texts: any bytes read without a crash; what reads
// gives UTF-8 texts, and entries written back in the file's quoted form read as the same entries.
#include "InstallerFuzzCheck.h"
#include "macos/StringsFileStandIn.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace
{
using installerfuzz::Check;

std::string Quoted(std::string const& text)
{
    std::string quoted = "\"";
    for (char c : text)
    {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
} // namespace

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    std::map<std::string, std::string> strings;
    std::string error;
    if (!StringsFileStandInRead(bytes, strings, &error))
    {
        Check(!error.empty() && strings.empty(), "a refused file without its reason or with entries");
        return 0;
    }
    std::string written;
    for (auto const& entry : strings)
        written += Quoted(entry.first) + " = " + Quoted(entry.second) + ";\n";
    std::map<std::string, std::string> again;
    Check(StringsFileStandInRead(written, again, &error), "the written entries do not read");
    Check(again == strings, "the written entries read as others");
    return 0;
}
