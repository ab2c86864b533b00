// indesign-host: the stand-in of the InDesign application. It loads the plug-in bundles of an
// application folder, plays a scenario on its host (documents, books, faults, menu choices,
// shortcuts, the answers its UI robot gives in the plug-in's windows) and reports what the
// plug-ins left wrong. Exit codes: 0 the steps ran; 2 the scenario or the command line is at
// fault; 3 a host invariant broke; 4 a plug-in crashed.
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "Host.h"
#include "HostObserver.h"
#include "PlugInLoader.h"
#include "Scenario.h"
#include "ScenarioError.h"
#include "ScenarioRunner.h"
#include "UiRobot.h"

// Qt's offscreen platform does not delete the screen and the cursor it makes with the plug-in's
// application. Full stacks are needed to tell those blocks from the host's own.
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}

extern "C" char const* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace
{
constexpr int cExitScenario = 2;
constexpr int cExitInvariant = 3;
constexpr int cExitCrash = 4;

// What the signal handler may touch: the transcript's descriptor and the next line's number.
int sTranscriptFile = -1;
volatile std::size_t sNextSeq = 1;

void WriteText(int file, char const* text)
{
    if (file >= 0)
        (void)!write(file, text, std::strlen(text));
}

// Decimal digits of a number, into the buffer; no library call, as a signal handler needs.
char const* Digits(std::size_t number, char (&buffer)[24])
{
    char* end = buffer + sizeof(buffer) - 1;
    *end = '\0';
    do
    {
        *--end = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    return end;
}

void OnCrash(int signal)
{
    char seq[24];
    char number[24];
    WriteText(sTranscriptFile, "{\"seq\":");
    WriteText(sTranscriptFile, Digits(sNextSeq, seq));
    WriteText(sTranscriptFile, ",\"kind\":\"crash\",\"what\":\"signal\",\"signal\":");
    WriteText(sTranscriptFile, Digits(static_cast<std::size_t>(signal), number));
    WriteText(sTranscriptFile, "}\n");
    WriteText(STDERR_FILENO, "indesign-host: the plug-in crashed with signal ");
    WriteText(STDERR_FILENO, Digits(static_cast<std::size_t>(signal), number));
    WriteText(STDERR_FILENO, "\n");
    _exit(cExitCrash);
}

void CatchCrashes()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = OnCrash;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        sigaction(signal, &action, nullptr);
}

int Usage(std::string const& problem)
{
    std::cerr << "indesign-host: " << problem << "\n"
              << "usage: indesign-host --app <folder> --scenario <file.json> [--transcript <file.jsonl>]\n"
              << "                     [--interactive | --robot-timeout <seconds>]\n";
    return cExitScenario;
}

// The platform's notices of what it cannot do offscreen say nothing about the plug-in.
void FilterPlatformNotices(QtMsgType, QMessageLogContext const&, QString const& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::cerr << message.toStdString() << std::endl;
}

// Ends the process without running the plug-in's code again: after a crash nothing of it can be
// trusted, not even its destructors.
[[noreturn]] void EndAfterCrash()
{
    std::cerr << "indesign-host: an exception left a call into a plug-in\n";
    std::cerr.flush();
    _exit(cExitCrash);
}

// Keeps the signal handler's line number after the transcript's, and tells the robot, when there
// is one, of everything.
class SeqObserver : public indesignhost::HostObserver
{
public:
    explicit SeqObserver(indesignhost::HostObserver* next) : fNext(next) {}

    void BeforePlugInCall(std::string const& what) override
    {
        if (fNext)
            fNext->BeforePlugInCall(what);
    }
    void AfterPlugInCall(std::string const& what) override
    {
        if (fNext)
            fNext->AfterPlugInCall(what);
    }
    void HostCalled(QJsonObject const& line) override
    {
        sNextSeq = static_cast<std::size_t>(line.value("seq").toVariant().toLongLong()) + 1;
        if (fNext)
            fNext->HostCalled(line);
    }
    void BetweenSteps() override
    {
        if (fNext)
            fNext->BetweenSteps();
    }

private:
    indesignhost::HostObserver* fNext;
};
} // namespace

int main(int argc, char** argv)
{
    std::string app;
    std::string scenarioPath;
    std::string transcript;
    std::string robotTimeout;
    bool interactive = false;
    for (int i = 1; i < argc; ++i)
    {
        std::string const option = argv[i];
        if (option == "--interactive")
        {
            interactive = true;
            continue;
        }
        std::string* target = option == "--app"             ? &app
                              : option == "--scenario"      ? &scenarioPath
                              : option == "--transcript"    ? &transcript
                              : option == "--robot-timeout" ? &robotTimeout
                                                            : nullptr;
        if (!target)
            return Usage("unknown option \"" + option + "\"");
        if (i + 1 >= argc || argv[i + 1][0] == '\0')
            return Usage(option + " needs a value");
        *target = argv[++i];
    }
    if (app.empty() || scenarioPath.empty())
        return Usage("--app and --scenario are needed");
    struct stat status;
    if (stat(app.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return Usage("--app: " + app + " is no folder");
    int timeoutMilliseconds = indesignhost::UiRobot::cDefaultTimeoutSeconds * 1000;
    if (!robotTimeout.empty())
    {
        if (interactive)
            return Usage("--robot-timeout: there is no robot with --interactive");
        char* end = nullptr;
        double const seconds = std::strtod(robotTimeout.c_str(), &end);
        if (*end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
            return Usage("--robot-timeout: " + robotTimeout + " is no number of seconds from 0 to 86400");
        timeoutMilliseconds = std::max(1, static_cast<int>(std::lround(seconds * 1000)));
    }
    // A person answers the real windows: they need a display to show on.
    if (interactive && !std::getenv("DISPLAY"))
        return Usage("--interactive: there is no DISPLAY to show the plug-in's windows on");

    // The plug-in makes its Qt application itself; without a display it gets the offscreen one.
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(FilterPlatformNotices);

    indesignhost::Scenario scenario;
    try
    {
        scenario = indesignhost::ReadScenario(scenarioPath);
    }
    catch (indesignhost::ScenarioError const& error)
    {
        std::cerr << "indesign-host: " << error.what() << "\n";
        return cExitScenario;
    }

    indesignhost::HostOptions options;
    options.fontFolders.push_back(app + "/Fonts");
    if (char const* home = std::getenv("HOME"))
        options.fontFolders.push_back(std::string(home) + "/Library/Fonts");
    options.fontFolders.insert(options.fontFolders.end(), scenario.fontFolders.begin(),
                               scenario.fontFolders.end());
    options.transcriptPath = transcript;
    std::unique_ptr<indesignhost::Host> host;
    try
    {
        host = std::make_unique<indesignhost::Host>(options);
    }
    catch (std::runtime_error const& error)
    {
        return Usage(std::string("--transcript: ") + error.what());
    }
    sTranscriptFile = host->GetTranscript().FileDescriptor();
    // The robot answers the plug-in's windows unless a person does.
    std::unique_ptr<indesignhost::UiRobot> robot;
    if (!interactive)
        robot = std::make_unique<indesignhost::UiRobot>(*host, scenario.ui, timeoutMilliseconds);
    SeqObserver observer(robot.get());
    host->SetObserver(&observer);
    CatchCrashes();

    indesignhost::ScenarioRunner runner(*host, scenario);
    try
    {
        runner.Prepare();
    }
    catch (indesignhost::ScenarioError const& error)
    {
        std::cerr << "indesign-host: " << error.what() << "\n";
        host->SetObserver(nullptr);
        return cExitScenario;
    }

    indesignhost::PlugInLoader::LoadAll(*host, app);
    host->StartServices();
    if (host->PlugInFailed())
        EndAfterCrash();
    try
    {
        runner.RunSteps();
    }
    catch (indesignhost::ScenarioError const& error)
    {
        std::cerr << "indesign-host: " << error.what() << "\n";
        host->StopPlugIns();
        host->SetObserver(nullptr);
        return cExitScenario;
    }
    if (host->PlugInFailed())
        EndAfterCrash();
    host->StopPlugIns();
    if (host->PlugInFailed())
        EndAfterCrash();
    if (robot)
        robot->Finish();

    std::vector<std::string> const problems = host->QuitChecks();
    for (std::string const& problem : problems)
        std::cerr << "indesign-host: " << problem << "\n";
    host->SetObserver(nullptr);
    return problems.empty() ? 0 : cExitInvariant;
}
