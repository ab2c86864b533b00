// Info-ZIP's zip and unzip run as a Sendrixor's tools run them: a child process with its arguments
// as given, never through a shell, in the folder whose contents it archives.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "SendrixorMaker.h"

namespace ziptest
{
// zip and unzip run as the Sendrixors' archives are made: the same child process, the same exit codes.
using sendrixormaker::RunProgram;

// Archives the items (paths relative to folder, folders with what they hold) with zip, encrypted
// when a password is given; options go before the archive's path.
inline int Zip(std::filesystem::path const& folder, std::filesystem::path const& archive,
               std::string const& password, std::vector<std::string> const& items,
               std::vector<std::string> const& options = {})
{
    std::vector<std::string> arguments = {SENDRIX_ZIP_PATH, "-q", "-r"};
    if (!password.empty())
        arguments.insert(arguments.end(), {"-P", password});
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(archive.string());
    arguments.insert(arguments.end(), items.begin(), items.end());
    return RunProgram(arguments, folder);
}
} // namespace ziptest
