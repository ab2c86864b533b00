// The export actions over the host stand-in: a host installed in this process with a font folder
// of its own, Sendrixors with real archives and job options, documents and books written as files,
// and the PDFs read back with poppler's tools.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "ExportSettings.h"
#include "FileTree.h"
#include "GCPTSaveAsAction.h"
#include "GCPTSaveAsProperties.h"
#include "GSignal.h"
#include "GUserMessage.h"
#include "PSystem.h"
#include "Host.h"
#include "SendrixorFixture.h"
#include "StringText.h"

namespace plugintest
{
// What a program printed on its standard output; empty when it failed.
inline std::string OutputOf(std::vector<std::string> const& arguments)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::string();
    pid_t const child = fork();
    if (child == 0)
    {
        dup2(pipeEnds[1], STDOUT_FILENO);
        int const quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        close(pipeEnds[0]);
        std::vector<char*> argv;
        for (std::string const& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t count; (count = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(count));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? output : std::string();
}

// A field of pdfinfo's answer ("Pages", "Title", "Page size"); empty when there is none.
inline std::string PdfInfo(std::filesystem::path const& pdf, std::string const& field)
{
    std::string const info = OutputOf({"pdfinfo", pdf.string()});
    for (std::size_t line = 0; line < info.size();)
    {
        std::size_t const end = std::min(info.find('\n', line), info.size());
        if (info.compare(line, field.size() + 1, field + ":") == 0)
        {
            std::size_t const value = info.find_first_not_of(' ', line + field.size() + 1);
            return value < end ? info.substr(value, end - value) : std::string();
        }
        line = end + 1;
    }
    return std::string();
}

// The text of one page, from 1.
inline std::string PdfPageText(std::filesystem::path const& pdf, int page)
{
    std::string const number = std::to_string(page);
    return OutputOf({"pdftotext", "-f", number, "-l", number, pdf.string(), "-"});
}

// The error boxes the user would see.
class RecordedMessages : public GUserMessage
{
public:
    explicit RecordedMessages(std::vector<std::string>& shown) : fShown(shown) {}
    void ShowErrorMessage(GString const& title, GString const& text) override
    {
        fShown.push_back(testsupport::Utf8Of(title) + ": " + testsupport::Utf8Of(text));
    }

private:
    std::vector<std::string>& fShown;
};

class ExportFixture : public SendrixorFixture
{
protected:
    void SetUp() override
    {
        SendrixorFixture::SetUp();
        std::filesystem::path const fonts = fTemp / "fonts";
        std::filesystem::create_directories(fonts);
        for (char const* font : {"DejaVuSans.ttf", "DejaVuSerif.ttf"})
            std::filesystem::copy_file(std::filesystem::path("/usr/share/fonts/truetype/dejavu") / font, fonts / font);
        indesignhost::HostOptions options;
        options.fontFolders = {fonts.string()};
        fHost = std::make_unique<indesignhost::Host>(options);
        GUserMessage::SetInstance(new RecordedMessages(fShown));
    }
    void TearDown() override
    {
        GUserMessage::SetInstance(nullptr);
        fHost.reset();
        SendrixorFixture::TearDown();
    }

    // A Sendrixor whose archive holds the plug-in settings and job options written from settings.
    void AddExportSendrixor(std::string const& name, std::vector<std::pair<std::string, std::string>> const& plugin,
                            indesignhost::ExportSettings const& jobOptions = indesignhost::ExportSettings(),
                            int build = 4711)
    {
        AddSendrixor(name,
                     {{"Project/Project.prefs", ProjectPrefs(plugin)},
                      {"PrinterFiles/" + name + ".joboptions", indesignhost::WriteJobOptions(jobOptions)}},
                     true, "", build);
    }

    // A document file of pages with the labels, in the two DejaVu fonts and any further fonts named.
    std::filesystem::path WriteDocument(std::string const& fileName, std::vector<std::string> const& labels,
                                        std::vector<std::string> const& moreFonts = {}, std::string const& extra = "")
    {
        std::string pages;
        for (std::string const& label : labels)
            pages += std::string(pages.empty() ? "" : ", ") + "{\"label\": \"" + label + "\", \"text\": \"" +
                     fileName + " page " + label + "\"}";
        std::string fonts = "{\"name\": \"DejaVu Sans\", \"file\": \"DejaVuSans.ttf\"}, "
                            "{\"name\": \"DejaVu Serif\", \"file\": \"DejaVuSerif.ttf\"}";
        for (std::string const& font : moreFonts)
            fonts += ", {\"name\": \"" + font + "\"}";
        std::filesystem::path const path = fTemp / "documents" / fileName;
        testsupport::WriteFile(path, "{\"pages\": [" + pages + "], \"fonts\": [" + fonts + "]" + extra + "}");
        return path;
    }

    // A fault that fires once at the host's boundary.
    void Inject(std::string const& at)
    {
        indesignhost::Fault fault;
        fault.at = at;
        fHost->Faults().Add(fault);
    }

    std::string OutputFolder(std::string const& sendrixor) const
    {
        GString logon;
        PSystem::GetLogonName(logon);
        return (fTemp / testsupport::Utf8Of(logon) / sendrixor).string();
    }

    static void Send(int channel, GCPTSaveAsProperties const& request)
    {
        GSignal<GCPTSaveAsProperties>::GetSignal(channel)->Send(request);
    }

    std::unique_ptr<indesignhost::Host> fHost;
    std::vector<std::string> fShown;
};
} // namespace plugintest
