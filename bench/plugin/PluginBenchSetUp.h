// What the plug-in's benchmarks set up alike, once a program, in a folder of the bench's own: the
// plug-in's folders, its bundle, the Sendrixor "Proof", a document and a host with its fonts, and
// the host's PDF command alone, the peer the plug-in's export is measured against.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ExportSettings.h"
#include "FileTree.h"
#include "GFileSystem.h"
#include "GQUILayer.h"
#include "Host.h"
#include "ICommand.h"
#include "IDocument.h"
#include "IOutputPages.h"
#include "IPDFExportPrefs.h"
#include "IPageList.h"
#include "ISysFileData.h"
#include "InterfacePtr.h"
#include "PSystem.h"
#include "SendrixorMaker.h"
#include "StringText.h"
#include "macos/CFBundleStandIn.h"

namespace pluginbench
{
namespace fs = std::filesystem;

// The plug-in's temporary folder (-2), the preferences (35), which hold the registry of Sendrixors,
// and the Sendrixors' own files (53). The foundation must be up: the paths are made in its encodings.
inline void AddPluginFolders(fs::path const& root, fs::path const& temporary)
{
    fs::create_directories(temporary);
    GFileSystem::AddSpecialPath(-2, testsupport::PathOf(temporary));
    fs::create_directories(root / "prefs");
    fs::create_directories(root / "base");
    GFileSystem::AddSpecialPath(35, testsupport::PathOf(root / "prefs"));
    GFileSystem::AddSpecialPath(53, testsupport::PathOf(root / "base"));
}

// A plug-in bundle of the bench's own under root, made the program's bundle: the plug-in finds its
// folders two levels above its code. The toolkit keeps its window geometry in root as well.
inline void RegisterPluginBundle(fs::path const& root, char const* identifier)
{
    GQUILayer::SetPrefFileName(testsupport::PathOf(root / "UIGeometrySettingsQt5.ini"));
    fs::path const bundle = root / "Sendrix_DA2025_InDesign.InDesignPlugin";
    fs::path const code = bundle / "Contents/MacOS/Sendrix_DA2025_InDesign";
    fs::create_directories(code.parent_path());
    fs::create_directories(bundle / "Contents/Resources/Strings");
    std::string const codeText = code.string();
    CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(codeText.data()), CFIndex(codeText.size()),
        false);
    CFStringRef const name =
        CFStringCreateWithCString(kCFAllocatorDefault, identifier, kCFStringEncodingUTF8);
    CFBundleStandInRegister(name, url);
    CFRelease(name);
    CFRelease(url);
    PSystem::SetASCIIBundleIdentifier(GBuffer(identifier));
}

// The plug-in's Sendrixor "Proof" (build 4711), its archive holding the project's preferences with
// the plug-in settings and the default job options. The job options go to jobOptions as well, for
// the host's PDF command alone. Throws sendrixormaker::MakerError.
inline void AddProofSendrixor(sendrixormaker::Settings const& settings, fs::path const& jobOptions)
{
    std::string const options = indesignhost::WriteJobOptions(indesignhost::ExportSettings());
    testsupport::WriteFile(jobOptions, options);
    fs::path const archive = sendrixormaker::SettingsFolder("G1") / "project.szip";
    sendrixormaker::MakeArchive(archive,
                                {{"Project/Project.prefs", sendrixormaker::ProjectPrefs(settings)},
                                 {"PrinterFiles/Proof.joboptions", options}},
                                sendrixormaker::ArchivePassword(), SENDRIX_ZIP_PATH);
    sendrixormaker::RegisterSendrixor("Proof", archive, true, "", 4711);
}

// A document of that many pages, each a line of text naming it and its page, set in DejaVu Sans.
inline void WriteDocument(fs::path const& document, int pages)
{
    std::string text;
    for (int page = 1; page <= pages; ++page)
        text += std::string(page > 1 ? ", " : "") + "{\"text\": \"" + document.stem().string() + " page " +
                std::to_string(page) + "\"}";
    testsupport::WriteFile(document,
                           "{\"pages\": [" + text +
                               "], \"fonts\": [{\"name\": \"DejaVu Sans\", \"file\": \"DejaVuSans.ttf\"}]}");
}

// A host whose fonts folder, below root, holds DejaVu Sans.
inline std::unique_ptr<indesignhost::Host> MakeHostWithFonts(fs::path const& root)
{
    fs::create_directories(root / "fonts");
    fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", root / "fonts/DejaVuSans.ttf");
    indesignhost::HostOptions options;
    options.fontFolders = {(root / "fonts").string()};
    return std::make_unique<indesignhost::Host>(options);
}

// The host's PDF command alone writing every page of the document to pdf, with the job options and
// what the Sendrixor's preferences add to them (crop marks, and the top bleed when it is given).
inline bool ExportWithPDFCommand(IDocument* document, fs::path const& jobOptions, fs::path const& pdf,
                                 char const* documentName, std::optional<double> bleedTop = std::nullopt)
{
    InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
    InterfacePtr<IPDFExportPrefs> const prefs(command.get());
    InterfacePtr<ISysFileData> const file(command.get());
    InterfacePtr<IOutputPages> const pages(command.get());
    InterfacePtr<IPageList> const pageList(document);
    prefs->LoadJobOptions(IDFile::FromPOSIXPath(jobOptions.string()));
    if (bleedTop)
        prefs->SetBleedTop(*bleedTop);
    prefs->SetCropMarks(kTrue);
    file->Set(IDFile::FromPOSIXPath(pdf.string()));
    UIDList list(document);
    for (int32 i = 0; i < pageList->GetPageCount(); ++i)
        list.Append(pageList->GetNthPageUID(i));
    pages->InitializeFrom(list, kFalse, PMString(documentName));
    return CmdUtils::ProcessCommand(command.get()) == kSuccess;
}
} // namespace pluginbench
