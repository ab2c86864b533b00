// Sendrixors as a Sendrixor installs itself for the plug-in: a record in the registry of Sendrixors
// (special folders 35 and 53) and a password-protected archive, made by Info-ZIP's zip, with the
// project's preferences and its job options in the Sendrixor's settings folder. Shared by the tests'
// fixtures and the example's fixture tool, so that both make what the plug-in reads the same way.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "GString.h"

namespace sendrixormaker
{
// An entry's name inside the archive and its bytes; a name ending in "/" is a folder.
using Entry = std::pair<std::string, std::string>;
using Entries = std::vector<Entry>;
// A key of the group "PluginSettings" and its text.
using Settings = std::vector<std::pair<std::string, std::string>>;

// What could not be made: the zip program failed, or the registry refused the record.
class MakerError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The UTF-8 text as a framework string, its characters as they are, and back.
GString TextOf(std::string const& utf8);
std::string Utf8Of(GString const& text);

// Runs the program (the first argument, a path: no search, no shell) in the folder, its output
// silenced. Its exit code; -1 when it could not run or did not exit.
int RunProgram(std::vector<std::string> const& arguments, std::filesystem::path const& folder);

// The archives' password in plain text, as the plug-in descrambles it.
std::string ArchivePassword();

// Writes the entries into a staging folder and archives them, in their order, with the password,
// by the zip program at zipPath. Throws MakerError.
void MakeArchive(std::filesystem::path const& archive, Entries const& entries, std::string const& password,
                 std::string const& zipPath);

// Preference text as a Sendrixor writes its project preferences: UTF-16 with its byte-order mark,
// the plug-in settings in "PluginSettings" and the project's name.
std::string ProjectPrefs(Settings const& pluginSettings, std::string const& projectName = "Proof");

// The folder of a Sendrixor's settings below special folder 53, where its archive lies: the plug-in
// reads the Sendrixor's GUID from there.
std::filesystem::path SettingsFolder(std::string const& guid);

// Registers the Sendrixor with the archive as its context file; build is the number the plug-in
// reads from its application path. Throws MakerError when the registry refuses.
void RegisterSendrixor(std::string const& name, std::filesystem::path const& archive, bool isPlugin,
                       std::string const& pdfSettings, int build);
} // namespace sendrixormaker
