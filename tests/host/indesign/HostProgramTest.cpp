// The host program end to end with the probe plug-in's bundle: loading, start-up, menus and their
// states, shortcuts, actions only for enabled items, alerts, modal balance, the transcript's lines
// and the exit codes for a run that went well, a scenario at fault, an invariant the plug-in broke
// and a plug-in that crashed.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "FileTree.h"
#include "HostTranscriptLines.h"
#include "TempFolder.h"

namespace
{
namespace fs = std::filesystem;

struct HostRun
{
    int exitCode = -1;
    std::string errors;
    std::vector<QJsonObject> lines;

    // The transcript's lines of that kind and what.
    std::vector<QJsonObject> Find(char const* kind, char const* what = nullptr) const
    {
        return testsupport::FindLines(lines, kind, what);
    }
    // The lines of that kind whose what starts with the text.
    std::vector<QJsonObject> Starting(char const* kind, char const* what) const
    {
        std::vector<QJsonObject> found;
        for (QJsonObject const& line : Find(kind))
            if (line.value("what").toString().startsWith(what))
                found.push_back(line);
        return found;
    }
    // The lines of that kind and what whose field has the value.
    std::vector<QJsonObject> With(char const* kind, char const* what, char const* field,
                                  QJsonValue const& value) const
    {
        std::vector<QJsonObject> found;
        for (QJsonObject const& line : Find(kind, what))
            if (line.value(field) == value)
                found.push_back(line);
        return found;
    }
};

class HostProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::WriteFile(
            fFolder / "docs" / "Brochure.indd",
            R"({"pages": [{"label": "1"}, {"label": "2"}], "fonts": [{"name": "DejaVu Sans"}]})");
        testsupport::WriteFile(fFolder / "docs" / "Ch1.indd", R"({"pages": [{}]})");
        testsupport::WriteFile(fFolder / "docs" / "Catalog.indb", R"({"chapters": ["Ch1.indd"]})");
        testsupport::WriteFile(fFolder / "docs" / "Empty.indb", R"({"chapters": []})");
        fs::create_directories(fFolder / "home");
    }

    // Runs the host program on the scenario's text with the probe's application folder.
    HostRun RunHost(std::string const& scenario, std::vector<std::string> arguments = {})
    {
        fs::path const scenarioPath = fFolder / "scenario.json";
        fs::path const transcript = fFolder / "transcript.jsonl";
        fs::path const errors = fFolder / "errors.txt";
        testsupport::WriteFile(scenarioPath, scenario);
        fs::remove(transcript);
        if (arguments.empty())
            arguments = {"--app",        INDESIGN_PROBE_APP, "--scenario", scenarioPath.string(),
                         "--transcript", transcript.string()};
        arguments.insert(arguments.begin(), INDESIGN_HOST_PATH);
        std::string const home = (fFolder / "home").string();
        pid_t const child = fork();
        if (child == 0)
        {
            int const file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(file, STDERR_FILENO);
            setenv("HOME", home.c_str(), 1);
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        HostRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.errors = testsupport::ReadFile(errors);
        std::string const text = testsupport::ReadFile(transcript);
        std::size_t start = 0;
        while (start < text.size())
        {
            std::size_t const end = text.find('\n', start);
            QJsonDocument const line =
                QJsonDocument::fromJson(QByteArray::fromStdString(text.substr(start, end - start)));
            EXPECT_TRUE(line.isObject()) << text.substr(start, end - start);
            run.lines.push_back(line.object());
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return run;
    }

    testsupport::TempFolder fFolder{"sendrix-host-program"};
};

TEST_F(HostProgramTest, RegistersOnceShowsStatesAndRunsOnlyEnabledItems)
{
    HostRun const run = RunHost(R"({
        "documents": [{"file": "docs/Brochure.indd"}],
        "books": [{"file": "docs/Empty.indb"}],
        "alerts": [2],
        "steps": [
            {"startup": true},
            {"menuState": "Main:&File"},
            {"menuState": "BookPanelPopup"},
            {"menu": "Main:&File", "item": "Probe Export..."},
            {"menu": "BookPanelPopup", "item": "Probe Book..."},
            {"menu": "Main:Probe", "item": "Disabled"},
            {"menu": "Main:Probe", "item": "No Such Item"},
            {"shortcut": "Opt+Shift+P"},
            {"shortcut": "Opt+Shift+K"},
            {"menu": "Main:&Help", "item": "About Probe..."},
            {"quit": true}]})");
    ASSERT_EQ(0, run.exitCode) << run.errors;

    // Loaded, started twice, yet every action and menu item is there once.
    ASSERT_EQ(1u, run.Find("load", "plugIn").size());
    EXPECT_EQ("Probe", run.Find("load", "plugIn")[0].value("name").toString());
    EXPECT_EQ(2u, run.Find("plugin", "Startup").size());
    EXPECT_EQ(10u, run.Find("call", "IActionManager::AddAction").size());
    EXPECT_EQ(10u, run.Find("call", "IMenuManager::AddMenuItem").size());
    EXPECT_TRUE(
        run.With("call", "IActionManager::AddAction", "refused", "the action is known already").empty());
    // The service and the component, each made once.
    EXPECT_EQ(2u, run.Find("create", "boss").size());

    // With a front document the export item is enabled; with an empty book the book item is not.
    auto const states = run.Find("menu", "state");
    ASSERT_EQ(2u, states.size());
    QJsonObject const exportItem = states[0].value("items").toArray()[0].toObject();
    EXPECT_EQ("Probe Export...", exportItem.value("name").toString());
    EXPECT_TRUE(exportItem.value("enabled").toBool());
    QJsonObject const bookItem = states[1].value("items").toArray()[0].toObject();
    EXPECT_EQ("Probe Book...", bookItem.value("name").toString());
    EXPECT_FALSE(bookItem.value("enabled").toBool());

    // The enabled item ran: its alert under the modal state, answered by the scenario, then the
    // default answer.
    auto const alerts = run.Find("alert");
    ASSERT_EQ(5u, alerts.size());
    EXPECT_EQ("Probe export of document Brochure.indd", alerts[0].value("text").toString());
    EXPECT_EQ(2, alerts[0].value("answer").toInt());
    EXPECT_EQ("answered 2", alerts[1].value("text").toString());
    EXPECT_EQ("Probe export of document Brochure.indd", alerts[2].value("text").toString());
    EXPECT_EQ("answered 1", alerts[3].value("text").toString());
    EXPECT_EQ("Probe plug-in for the host's tests", alerts[4].value("text").toString());
    std::vector<int> depths;
    for (QJsonObject const& line : run.Find("modal"))
        depths.push_back(line.value("depth").toInt());
    EXPECT_EQ((std::vector<int>{1, 0, 1, 0}), depths);

    // Disabled and unknown items and the book item's shortcut did nothing.
    // The book item and "Disabled".
    EXPECT_EQ(2u, run.With("menu", "choose", "refused", "the item is disabled").size());
    EXPECT_EQ(1u, run.With("menu", "choose", "refused", "the menu has no such item").size());
    EXPECT_EQ(1u, run.With("shortcut", "press", "refused", "the action is disabled").size());
    // Export by menu, export by shortcut, about.
    EXPECT_EQ(3u, run.Starting("plugin", "DoAction").size());
    EXPECT_EQ(1u, run.Find("quit", "checks").size());
    EXPECT_TRUE(run.Find("quit", "checks")[0].value("problems").toArray().isEmpty());
}

TEST_F(HostProgramTest, ExitCodesTellWhatWentWrong)
{
    struct Case
    {
        char const* what;
        std::string scenario;
        int exitCode;
        char const* error;
    };
    std::string const withDocument = R"("documents": [{"file": "docs/Brochure.indd"}], )";
    Case const cases[] = {
        {"steps ran", "{" + withDocument + R"("steps": [{"menu": "Main:&File", "item": "Probe Export..."}]})",
         0, ""},
        {"not JSON", "{", 2, "scenario.json: not JSON"},
        {"missing document", R"({"documents": [{"file": "docs/Missing.indd"}]})", 2, "documents[0].file"},
        {"unknown chapter", R"({"books": [{"file": "docs/Catalog.indb", "panelSelection": ["Ch9.indd"]}]})",
         2, "books[0].panelSelection"},
        {"font file in no folder", R"({"steps": [{"deleteFontFile": "Nothing.ttf"}]})", 2,
         "steps[0].deleteFontFile"},
        {"modal state held", R"({"steps": [{"menu": "Main:Probe", "item": "Hold Modal"}]})", 3, "depth 1"},
        {"released twice", R"({"steps": [{"menu": "Main:Probe", "item": "Release Twice"}]})", 3,
         "released already"},
        {"leaked", R"({"steps": [{"menu": "Main:Probe", "item": "Leak"}]})", 3, "never given back"},
        {"creation failed", R"({"steps": [{"menu": "Main:Probe Broken", "item": "Broken"}]})", 3,
         "cannot be made"},
        {"fault never fired", R"({"faults": [{"at": "createObject.80393"}]})", 3,
         "createObject.80393 never fired"},
        {"start-up without an application", R"({"faults": [{"at": "session.app"}],
            "steps": [{"menuState": "Main:Probe"}]})",
         0, ""},
        {"exception", R"({"steps": [{"menu": "Main:Probe", "item": "Throw"}]})", 4, "exception"},
        {"signal", R"({"steps": [{"menu": "Main:Probe", "item": "Crash"}]})", 4, "signal"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.what);
        HostRun const run = RunHost(test.scenario);
        EXPECT_EQ(test.exitCode, run.exitCode) << run.errors;
        EXPECT_NE(std::string::npos, run.errors.find(test.error)) << run.errors;
    }
}

TEST_F(HostProgramTest, ACrashLeavesTheTranscriptUpToIt)
{
    HostRun const run = RunHost(R"({"steps": [{"menu": "Main:Probe", "item": "Crash"}, {"startup": true}]})");
    ASSERT_EQ(4, run.exitCode) << run.errors;
    ASSERT_FALSE(run.lines.empty());
    QJsonObject const last = run.lines.back();
    EXPECT_EQ("crash", last.value("kind").toString());
    EXPECT_EQ(SIGSEGV, last.value("signal").toInt());
    EXPECT_EQ(static_cast<int>(run.lines.size()), last.value("seq").toInt());
    EXPECT_TRUE(run.Find("quit").empty());
}

TEST_F(HostProgramTest, AFailedStartUpRegistersNothing)
{
    HostRun const run = RunHost(R"({"faults": [{"at": "actionManager.menuManager"}],
                                "documents": [{"file": "docs/Brochure.indd"}],
                                "steps": [{"menu": "Main:&File", "item": "Probe Export..."}]})");
    ASSERT_EQ(0, run.exitCode) << run.errors;
    EXPECT_EQ(1u, run.Find("fault", "actionManager.menuManager").size());
    EXPECT_TRUE(run.Find("call", "IActionManager::AddAction").empty());
    EXPECT_EQ(1u, run.With("menu", "choose", "refused", "the menu has no such item").size());
    EXPECT_TRUE(run.Find("alert").empty());
}

TEST_F(HostProgramTest, TheCommandLineIsChecked)
{
    struct Case
    {
        std::vector<std::string> arguments;
        char const* error;
    };
    std::string const scenario = (fFolder / "scenario.json").string();
    Case const cases[] = {
        {{"--app", INDESIGN_PROBE_APP}, "--app and --scenario are needed"},
        {{"--app", (fFolder / "none").string(), "--scenario", scenario}, "--app:"},
        {{"--app", INDESIGN_PROBE_APP, "--scenario"}, "--scenario needs a value"},
        {{"--verbose"}, "unknown option"},
        {{"--app", INDESIGN_PROBE_APP, "--scenario", scenario, "--transcript",
          (fFolder / "no" / "t.jsonl").string()},
         "--transcript"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.error);
        HostRun const run = RunHost("{}", test.arguments);
        EXPECT_EQ(2, run.exitCode);
        EXPECT_NE(std::string::npos, run.errors.find(test.error)) << run.errors;
    }
}
} // namespace
