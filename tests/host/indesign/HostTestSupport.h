// What the host's tests share: a fresh folder with a font folder, documents, books and job-options
// files written into it, a host over that font folder, and pdfinfo's view of a PDF.
#pragma once

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FileTree.h"
#include "Host.h"
#include "IDocument.h"
#include "InterfacePtr.h"
#include "TempFolder.h"

namespace hosttest
{
namespace fs = std::filesystem;

// A document file's text: pages by label, the fonts by name with their files, and more fields
// (JSON members) when given.
inline std::string DocumentText(
    std::vector<std::string> const& labels,
    std::vector<std::pair<std::string, std::string>> const& fonts = {{"DejaVu Sans", "DejaVuSans.ttf"}},
    std::string const& more = std::string())
{
    std::string text = "{\"pages\": [";
    for (std::size_t i = 0; i < labels.size(); ++i)
        text += (i ? ", " : "") + std::string("{\"label\": \"") + labels[i] + "\"}";
    text += "], \"fonts\": [";
    for (std::size_t i = 0; i < fonts.size(); ++i)
        text += (i ? ", " : "") + std::string("{\"name\": \"") + fonts[i].first + "\", \"file\": \"" +
                fonts[i].second + "\"}";
    text += "]";
    if (!more.empty())
        text += ", " + more;
    return text + "}";
}

inline std::string BookText(std::vector<std::string> const& chapters)
{
    std::string text = "{\"chapters\": [";
    for (std::size_t i = 0; i < chapters.size(); ++i)
        text += (i ? ", " : "") + std::string("\"") + chapters[i] + "\"";
    return text + "]}";
}

// What pdfinfo reads of a PDF: "Pages", "Title", "Page size", ... ; empty when it cannot read it.
inline std::map<std::string, std::string> PdfInfo(fs::path const& pdf)
{
    std::map<std::string, std::string> info;
    std::string const command = std::string(PDFINFO_PATH) + " '" + pdf.string() + "' 2>/dev/null";
    FILE* const pipe = popen(command.c_str(), "r");
    if (!pipe)
        return info;
    char line[1024];
    while (std::fgets(line, sizeof(line), pipe))
    {
        std::string const text(line);
        std::size_t const colon = text.find(':');
        if (colon == std::string::npos)
            continue;
        std::size_t const value = text.find_first_not_of(' ', colon + 1);
        info[text.substr(0, colon)] =
            value == std::string::npos ? "" : text.substr(value, text.size() - value - 1);
    }
    pclose(pipe);
    return info;
}

// A folder with a font folder holding DejaVu Sans, and a host over it.
class HostTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        fs::create_directories(fFonts);
        fs::copy_file(fs::path(DEJAVU_FONT_FOLDER) / "DejaVuSans.ttf", fFonts / "DejaVuSans.ttf",
                      fs::copy_options::overwrite_existing);
        indesignhost::HostOptions options;
        options.fontFolders = {fFonts.string()};
        fHost = std::make_unique<indesignhost::Host>(options);
    }

    void TearDown() override { fHost.reset(); }

    fs::path Write(std::string const& name, std::string const& text)
    {
        fs::path const path = fFolder / name;
        testsupport::WriteFile(path, text);
        return path;
    }

    IDocument* Open(std::string const& name, std::string const& text)
    {
        return fHost->OpenDocument(Write(name, text).string());
    }

    // The transcript's lines of that kind and what.
    std::size_t Count(std::string const& kind, std::string const& what = std::string())
    {
        return fHost->GetTranscript().Find(kind, what).size();
    }

    testsupport::TempFolder fFolder{"sendrix-host-test"};
    fs::path fFonts = fFolder / "fonts";
    std::unique_ptr<indesignhost::Host> fHost;
};
} // namespace hosttest
