// Sendrixors as the plug-in finds them: records in a registry of Sendrixors of the test's own, each
// with a password-protected archive made by Info-ZIP's zip in the Sendrixor's settings folder, and
// the temporary folder (special folder -2) of the test's own, where the plug-in extracts and exports.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "CSPluginTools.h"
#include "FileTree.h"
#include "GFileSystem.h"
#include "GMemoryOutStream.h"
#include "GPPActorRegistry.h"
#include "GPPSettings.h"
#include "GPrefMemoryModule.h"
#include "GStringSupport.h"
#include "GUnicodeEncoding.h"
#include "RegistryFolders.h"
#include "SendrixorMaker.h"
#include "StringText.h"
#include "TempFolder.h"
#include "ZipTool.h"

namespace plugintest
{
namespace fs = std::filesystem;

using sendrixormaker::Entries;
using sendrixormaker::Entry;

// The archives' password in plain text, as the plug-in descrambles it.
inline std::string ArchivePassword()
{
    return sendrixormaker::ArchivePassword();
}

// Writes the entries into a staging folder and archives them, in their order, with the password.
inline void MakeArchive(fs::path const& archive, Entries const& entries, std::string const& password)
{
    ASSERT_NO_THROW(sendrixormaker::MakeArchive(archive, entries, password, SENDRIX_ZIP_PATH)) << archive;
}

// Preference text as a Sendrixor writes its project preferences: UTF-16 with its byte-order mark.
inline std::string ProjectPrefs(std::vector<std::pair<std::string, std::string>> const& pluginSettings)
{
    return sendrixormaker::ProjectPrefs(pluginSettings);
}

class SendrixorFixture : public ::testing::Test
{
protected:
    void SetUp() override { GFileSystem::AddSpecialPath(-2, testsupport::PathOf(fTemp.Path())); }
    void TearDown() override
    {
        GFileSystem::RemoveSpecialPath(-2);
        std::error_code error;
        fs::remove_all(testsupport::FsPathOf(deliverytest::RegistryFolders::Base()), error);
    }

    // The folder of a Sendrixor's settings, where its archive lies: its GUID is read from there.
    static fs::path SettingsFolder(std::string const& guid) { return sendrixormaker::SettingsFolder(guid); }

    // Registers a Sendrixor whose archive holds the entries.
    fs::path AddSendrixor(std::string const& name, Entries const& entries, bool isPlugin = true,
                          std::string const& pdfSettings = "", int build = 4711,
                          std::string const& password = ArchivePassword())
    {
        std::string const guid = "G-" + std::to_string(++fSendrixors);
        fs::path const archive = SettingsFolder(guid) / "project.szip";
        MakeArchive(archive, entries, password);
        sendrixormaker::RegisterSendrixor(name, archive, isPlugin, pdfSettings, build);
        return archive;
    }

    // A Sendrixor's usual archive: project preferences with the plug-in settings, and job options.
    static Entries
    StandardEntries(std::vector<std::pair<std::string, std::string>> const& pluginSettings = {})
    {
        return {{"Project/Project.prefs", ProjectPrefs(pluginSettings)},
                {"PrinterFiles/High Quality.joboptions", "<< /Type /JobOptions >>"}};
    }

    // The folders made directly in the temporary folder.
    std::vector<fs::path> TempFolders() const
    {
        std::vector<fs::path> folders;
        for (auto const& item : fs::directory_iterator(fTemp.Path()))
            folders.push_back(item.path());
        return folders;
    }

    deliverytest::RegistryFolders fRegistry;
    testsupport::TempFolder fTemp;
    int fSendrixors = 0;
};
} // namespace plugintest
