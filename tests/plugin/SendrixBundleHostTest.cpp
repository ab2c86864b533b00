// The built plug-in bundle in the host program, as InDesign runs it: loaded from the application
// folder, its actions, menu items and shortcuts registered, the about item's alert, the menu states,
// and, answered by the host's UI robot, the export dialog, the licence texts and every message box of
// the road, down to a job taken by the test peer. Each run is its own process with a home folder of the
// test's own, where the plug-in keeps its preference file and finds the registry of Sendrixors.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "ExportFixture.h"
#include "GPPIPCManager.h"
#include "GPPJobInfo.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GPrefFileModule.h"
#include "GUTF8Encoding.h"
#include "HostTranscriptLines.h"
#include "PeerProcess.h"
#include "SendrixorFixture.h"
#include "SharedObjects.h"
#include "macos/FoundationStandIn.h"

namespace
{
namespace fs = std::filesystem;
using testsupport::TextOf;
using testsupport::Utf8Of;

char const* const cDialog = "Export to Sendrixor";
char const* const cItem = "Export to Sendrixor...";
constexpr int cDocumentAction = 1674244;
constexpr int cBookAction = 1674246;
constexpr int cComponent = 1674240;

// What a run of the host left: its exit code, what it said, and its transcript.
struct HostRun
{
    int fExit = -1;
    std::string fErrors;
    std::vector<QJsonObject> fLines;

    std::vector<QJsonObject> Find(char const* kind, char const* what = nullptr) const
    {
        return testsupport::FindLines(fLines, kind, what);
    }
    // The items of the menu as the last state line shows them: "name [on|off]" by action.
    std::vector<QJsonObject> MenuItems(char const* path, int action) const
    {
        std::vector<QJsonObject> items;
        std::vector<QJsonObject> const states = Find("menu", "state");
        for (auto state = states.rbegin(); state != states.rend(); ++state)
        {
            if (state->value("path").toString() != QLatin1String(path))
                continue;
            for (QJsonValue const& item : state->value("items").toArray())
            {
                if (item.toObject().value("action").toInt() == action)
                    items.push_back(item.toObject());
            }
            break;
        }
        return items;
    }
    // The modal state is acquired and released in turn, never refused, and ends at depth 0.
    void ExpectModalBalanced() const
    {
        int depth = 0;
        for (QJsonObject const& line : Find("modal"))
        {
            EXPECT_FALSE(line.contains("refused")) << QJsonDocument(line).toJson().toStdString();
            depth += line.value("what").toString() == QLatin1String("acquire") ? 1 : -1;
            EXPECT_EQ(line.value("depth").toInt(), depth);
        }
        EXPECT_EQ(depth, 0);
    }
    // The window states the robot wrote of the window with that title.
    std::vector<QJsonObject> Windows(char const* title) const
    {
        std::vector<QJsonObject> windows;
        for (QJsonObject const& line : Find("window", "state"))
        {
            if (line.value("title").toString() == QLatin1String(title))
                windows.push_back(line);
        }
        return windows;
    }
    // The texts of the message boxes the robot saw.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (QJsonObject const& line : Find("window", "state"))
        {
            if (line.contains("icon"))
                texts.push_back(line.value("title").toString().toStdString() + ": " +
                                line.value("text").toString().toStdString());
        }
        return texts;
    }
    std::vector<fs::path> Pdfs() const
    {
        std::vector<fs::path> pdfs;
        for (QJsonObject const& line : Find("file", "pdf"))
            pdfs.emplace_back(line.value("path").toString().toStdString());
        return pdfs;
    }
};

// The list of Sendrixors of a recorded export dialog (the settings widget has lists of its own).
std::vector<QJsonObject> SendrixorLists(QJsonObject const& window)
{
    std::vector<QJsonObject> lists;
    for (QJsonValue const& value : window.value("widgets").toArray())
    {
        QJsonObject const widget = value.toObject();
        if (widget.value("class").toString() == QLatin1String("QComboBox") &&
            widget.value("items").toArray().contains(QLatin1String("Proof A settings")))
            lists.push_back(widget);
    }
    return lists;
}

// The widgets of a recorded window that match the class (by name) and, when given, the text.
std::vector<QJsonObject> WidgetsOf(QJsonObject const& window, char const* className,
                                   char const* text = nullptr)
{
    std::vector<QJsonObject> found;
    for (QJsonValue const& value : window.value("widgets").toArray())
    {
        QJsonObject const widget = value.toObject();
        if (widget.value("class").toString() == QLatin1String(className) &&
            (!text || widget.value("text").toString() == QString::fromUtf8(text)))
            found.push_back(widget);
    }
    return found;
}

std::vector<std::string> Texts(QJsonArray const& array)
{
    std::vector<std::string> texts;
    for (QJsonValue const& value : array)
        texts.push_back(value.toString().toStdString());
    return texts;
}

class BundleHostTest : public plugintest::SendrixorFixture
{
protected:
    void SetUp() override
    {
        SendrixorFixture::SetUp();
        fs::create_directories(fHome / "Library/Fonts");
        for (char const* font : {"DejaVuSans.ttf", "DejaVuSerif.ttf"})
            fs::copy_file(fs::path("/usr/share/fonts/truetype/dejavu") / font,
                          fHome / "Library/Fonts" / font);
        // The host's plug-in finds the registry of Sendrixors and their settings where its home puts
        // them: the same folders here, so that the Sendrixors made in this process are the ones it sees.
        FoundationStandInSetHomeDirectory(fHome.c_str());
        for (int id : {35, 53, -8})
            GFileSystem::RemoveSpecialPath(id);
        GPathName const preferences = GFileSystem::GetSpecialPath(35);
        GPathName const base = GFileSystem::GetSpecialPath(53);
        FoundationStandInSetHomeDirectory(nullptr);
        GFileSystem::RemoveSpecialPath(-8);
        GFileSystem::AddSpecialPath(35, preferences);
        GFileSystem::AddSpecialPath(53, base);
        fBase = testsupport::FsPathOf(base);
    }
    void TearDown() override
    {
        // The plug-in exports into the system's temporary folder; what these runs wrote goes.
        std::error_code error;
        for (fs::path const& folder : fWritten)
            fs::remove_all(folder, error);
        fs::remove_all(fBase, error);
        SendrixorFixture::TearDown();
    }

    fs::path WriteDocument(std::string const& fileName, int pages,
                           std::vector<std::string> const& moreFonts = {})
    {
        std::string text = "{\"pages\": [";
        for (int page = 1; page <= pages; ++page)
            text += std::string(page > 1 ? ", " : "") + "{\"text\": \"" + fileName + " page " +
                    std::to_string(page) + "\"}";
        text += "], \"fonts\": [{\"name\": \"DejaVu Sans\", \"file\": \"DejaVuSans.ttf\"}";
        for (std::string const& font : moreFonts)
            text += ", {\"name\": \"" + font + "\"}";
        fs::path const path = fFolder / fileName;
        testsupport::WriteFile(path, text + "]}");
        return path;
    }
    fs::path WriteBook(std::string const& fileName, std::vector<std::string> const& chapters)
    {
        std::string text = "{\"chapters\": [";
        for (std::size_t i = 0; i < chapters.size(); ++i)
            text += std::string(i ? ", " : "") + "\"" + chapters[i] + "\"";
        fs::path const path = fFolder / fileName;
        testsupport::WriteFile(path, text + "]}");
        return path;
    }
    // A Sendrixor of the plug-in whose archive holds its settings and job options.
    void AddExportSendrixor(std::string const& name,
                            std::vector<std::pair<std::string, std::string>> const& settings,
                            std::string const& pdfSettings = "")
    {
        AddSendrixor(name,
                     {{"Project/Project.prefs", plugintest::ProjectPrefs(settings)},
                      {"PrinterFiles/" + name + ".joboptions", indesignhost::WriteJobOptions({})}},
                     true, pdfSettings);
    }

    // Runs the host with the scenario (JSON, its paths taken from this test's folder).
    HostRun RunHost(std::string const& scenario)
    {
        fs::path const scenarioFile = fFolder / ("scenario-" + std::to_string(++fRuns) + ".json");
        fs::path const transcript = fFolder / ("transcript-" + std::to_string(fRuns) + ".jsonl");
        fs::path const errors = fFolder / ("errors-" + std::to_string(fRuns) + ".txt");
        testsupport::WriteFile(scenarioFile, scenario);
        HostRun run;
        pid_t const child = fork();
        if (child == 0)
        {
            int const errorFile = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(errorFile, STDERR_FILENO);
            setenv("HOME", fHome.c_str(), 1);
            unsetenv("DISPLAY");
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            // Loaded machines run slowly under the sanitizers: the robot waits long for a window.
            execl(INDESIGN_HOST_PATH, INDESIGN_HOST_PATH, "--app", SENDRIX_APPLICATION_FOLDER, "--scenario",
                  scenarioFile.c_str(), "--transcript", transcript.c_str(), "--robot-timeout", "120",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        run.fExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.fErrors = testsupport::ReadFile(errors);
        std::string const text = fs::exists(transcript) ? testsupport::ReadFile(transcript) : std::string();
        for (std::size_t at = 0; at < text.size();)
        {
            std::size_t const end = std::min(text.find('\n', at), text.size());
            run.fLines.push_back(
                QJsonDocument::fromJson(QByteArray::fromStdString(text.substr(at, end - at))).object());
            at = end + 1;
        }
        for (fs::path const& pdf : run.Pdfs())
            fWritten.push_back(pdf.parent_path());
        for (QJsonObject const& line : run.Find("file", "package"))
            fWritten.push_back(fs::path(line.value("path").toString().toStdString()).parent_path());
        return run;
    }

    testsupport::TempFolder fFolder{"sendrix-bundle-host"};
    fs::path fHome = fFolder.Path() / "home";
    fs::path fBase;
    std::vector<fs::path> fWritten;
    int fRuns = 0;
};

void ExpectCleanRun(HostRun const& run)
{
    EXPECT_EQ(run.fExit, 0) << run.fErrors;
    EXPECT_TRUE(run.Find("problem").empty());
    EXPECT_TRUE(run.Find("crash").empty());
    for (QJsonObject const& line : run.Find("load", "bundle"))
        EXPECT_FALSE(line.contains("error")) << QJsonDocument(line).toJson().toStdString();
    run.ExpectModalBalanced();
}

TEST_F(BundleHostTest, TheBundleRegistersItsItemsAndShortcutsOnceAndTheAboutItemShowsItsAlert)
{
    std::string const scenario = R"({
        "steps": [
            {"menuState": "Main:&File"},
            {"menuState": "BookPanelPopup"},
            {"startup": true},
            {"menuState": "Main:&File"},
            {"menuState": "BookPanelPopup"},
            {"menu": "Main:&Help:About Plug-ins:", "item": "About Sendrix Export..."}
        ]})";
    for (int round = 1; round <= 2; ++round)
    {
        SCOPED_TRACE(round == 1 ? "a first run" : "a second run with the same home");
        HostRun const run = RunHost(scenario);
        ExpectCleanRun(run);
        std::vector<QJsonObject> const plugIns = run.Find("load", "plugIn");
        ASSERT_EQ(plugIns.size(), 1u);
        EXPECT_EQ(plugIns[0].value("id").toInt(), cComponent);

        EXPECT_EQ(run.Find("plugin", "Startup").size(), 2u);
        std::vector<QJsonObject> const actions = run.Find("call", "IActionManager::AddAction");
        ASSERT_EQ(actions.size(), 2u) << "the second start finds both actions known and adds nothing";
        std::vector<QJsonObject> const added = run.Find("call", "IMenuManager::AddMenuItem");
        ASSERT_EQ(added.size(), 2u);
        struct Expected
        {
            int fAction;
            char const* fArea;
            char const* fPath;
            double fPosition;
            char const* fShortcut;
        };
        Expected const expected[] = {
            {cDocumentAction, "KBSCE File menu", "Main:&File", 1301.0, "Opt+Shift+E"},
            {cBookAction, "KBSCE Palette Menus: Book: ", "BookPanelPopup", 1101.0, "Opt+Shift+B"}};
        for (int i = 0; i < 2; ++i)
        {
            SCOPED_TRACE(expected[i].fPath);
            EXPECT_EQ(actions[i].value("owner").toInt(), cComponent);
            EXPECT_EQ(actions[i].value("action").toInt(), expected[i].fAction);
            EXPECT_EQ(actions[i].value("area").toString().toStdString(), expected[i].fArea);
            EXPECT_FALSE(actions[i].contains("refused"));
            EXPECT_EQ(added[i].value("action").toInt(), expected[i].fAction);
            EXPECT_EQ(added[i].value("path").toString().toStdString(), expected[i].fPath);
            EXPECT_EQ(added[i].value("pos").toDouble(), expected[i].fPosition);
            std::vector<QJsonObject> const items = run.MenuItems(expected[i].fPath, expected[i].fAction);
            ASSERT_EQ(items.size(), 1u) << "the item shows once";
            EXPECT_EQ(items[0].value("name").toString().toStdString(), cItem);
            std::size_t shortcuts = 0;
            for (QJsonObject const& shortcut : run.Find("call", "IShortcutManager::AddShortcut"))
            {
                if (shortcut.value("action").toInt() != expected[i].fAction)
                    continue;
                ++shortcuts;
                EXPECT_EQ(shortcut.value("shortcut").toString().toStdString(), expected[i].fShortcut);
                EXPECT_EQ(shortcut.value("context").toString(), QLatin1String("DefaultContext"));
            }
            EXPECT_EQ(shortcuts, 2u) << "one at each state update";
        }

        std::vector<QJsonObject> const alerts = run.Find("alert", "ModalAlert");
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_NE(alerts[0].value("text").toString().indexOf(QLatin1String("Sendrix")), -1);
        EXPECT_TRUE(run.Find("window", "state").empty()) << "the about item shows no window of the plug-in";
    }
    EXPECT_TRUE(
        fs::is_directory(testsupport::FsPathOf(GFileSystem::GetSpecialPath(35)) / "Sendrix_DA2025_InDesign"))
        << "the plug-in's data folder in the home";
}

TEST_F(BundleHostTest, TheItemsAreEnabledOnlyForAFrontDocumentOrACurrentBookWithChapters)
{
    WriteDocument("Brochure.indd", 2);
    WriteBook("Empty.indb", {});
    WriteBook("Catalog.indb", {"Brochure.indd"});
    struct Case
    {
        char const* fName;
        char const* fOpen;
        bool fDocument;
        bool fBook;
    };
    Case const cases[] = {
        {"nothing open", "", false, false},
        {"a front document", R"("documents": [{"file": "Brochure.indd"}],)", true, false},
        {"a document open, none in front", R"("documents": [{"file": "Brochure.indd"}], "front": null,)",
         false, false},
        {"a book without chapters", R"("books": [{"file": "Empty.indb"}],)", false, false},
        {"a current book with a chapter", R"("books": [{"file": "Catalog.indb"}],)", false, true},
        {"a book open, none current", R"("books": [{"file": "Catalog.indb"}], "currentBook": null,)", false,
         false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        HostRun const run = RunHost(std::string("{") + c.fOpen + R"(
            "steps": [{"menuState": "Main:&File"}, {"menuState": "BookPanelPopup"}]})");
        ExpectCleanRun(run);
        for (auto const& [path, action, enabled] :
             {std::make_tuple("Main:&File", cDocumentAction, c.fDocument),
              std::make_tuple("BookPanelPopup", cBookAction, c.fBook)})
        {
            std::vector<QJsonObject> const items = run.MenuItems(path, action);
            ASSERT_EQ(items.size(), 1u) << path;
            EXPECT_EQ(items[0].value("enabled").toBool(), enabled) << path;
            EXPECT_EQ(items[0].value("name").toString().toStdString(), cItem) << path;
        }
    }
}

// The road's errors: each shows its message box, which the user closes; the host goes on, its modal
// state balanced, the document as it was and no PDF left behind.
TEST_F(BundleHostTest, EveryErrorOfTheRoadShowsItsMessageAndLosesNothing)
{
    fs::path const document = WriteDocument("Brochure.indd", 3);
    WriteDocument("Fonts.indd", 2, {"Frutiger Bold"});
    std::string const original = testsupport::ReadFile(document);
    struct Case
    {
        char const* fName;
        std::function<void()> fSendrixors;
        char const* fDocument;
        char const* fFaults;
        // The message box's text the user answers; empty: the dialog shows the error itself.
        char const* fMessage;
    };
    Case const cases[] = {
        {"no Sendrixor", [] {}, "Brochure.indd", "[]", ""},
        {"an unreadable archive",
         [this]
         {
             fs::path const archive = AddSendrixor("Broken", plugintest::SendrixorFixture::StandardEntries());
             testsupport::WriteFile(archive, "PK\x03\x04 this is no archive any more");
         },
         "Brochure.indd", "[]", "Unable to retrieve PDF setting: Broken"},
        {"a missing font", [this] { AddExportSendrixor("Proof A", {}); }, "Fonts.indd", "[]",
         "Font is Missing! Correct the following font and try again:"},
        {"a failed export", [this] { AddExportSendrixor("Proof A", {}); }, "Brochure.indd",
         R"([{"at": "command.process.9477"}])", "Unable to execute PDF Export command"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        c.fSendrixors();
        std::string const messageEntry =
            *c.fMessage ? std::string(R"(, {"message": ")") + c.fMessage + R"(", "press": "OK"})"
                        : std::string();
        std::string const dialogEntry = *c.fMessage
                                            ? R"({"window": "Export to Sendrixor", "press": "OK"})"
                                            : R"({"window": "Export to Sendrixor", "press": "Cancel"})";
        HostRun const run =
            RunHost(std::string(R"({"documents": [{"file": ")") + c.fDocument + R"("}], "faults": )" +
                    c.fFaults + R"(, "ui": [)" + dialogEntry + messageEntry + R"(],
            "steps": [{"menu": "Main:&File", "item": "Export to Sendrixor..."}]})");
        ExpectCleanRun(run);
        std::vector<QJsonObject> const dialogs = run.Windows(cDialog);
        ASSERT_FALSE(dialogs.empty());
        if (*c.fMessage)
        {
            std::vector<std::string> const messages = run.Messages();
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].rfind("Export to Sendrixor error: ", 0), 0u) << messages[0];
            EXPECT_NE(messages[0].find(c.fMessage), std::string::npos) << messages[0];
        }
        else
        {
            EXPECT_EQ(run.Messages(), std::vector<std::string>());
            EXPECT_EQ(WidgetsOf(dialogs[0], "QLabel", "No PDF Settings found").size(), 1u);
            std::vector<QJsonObject> const ok = WidgetsOf(dialogs[0], "QPushButton", "OK");
            ASSERT_EQ(ok.size(), 1u);
            EXPECT_FALSE(ok[0].value("enabled").toBool());
        }
        EXPECT_TRUE(run.Pdfs().empty());
        EXPECT_EQ(testsupport::ReadFile(document), original);
        GPPActorRegistry registry;
        GTable<GString> names;
        registry.GetActorList(names);
        for (int i = 0; i < names.GetCount(); ++i)
            registry.UnRegister(names[i]);
    }
}

// The delivery link up in this process too, to see the peer listen.
class BundleHostPeerTest : public BundleHostTest
{
protected:
    void SetUp() override
    {
        BundleHostTest::SetUp();
        GPPRozorazIzivozadaLayer::Initialize();
    }
    void TearDown() override
    {
        GPPRozorazIzivozadaLayer::Finalize();
        BundleHostTest::TearDown();
    }

    deliverytest::PeerLock fPeers;
};

// The dialog as a user walks it: the Sendrixors listed, one chosen, a range typed with a wrong key
// among it, the package ticked, the options opened, the licence texts read, OK; the PDF of the range
// and the package reach the peer. The next run remembers the choice and the package.
TEST_F(BundleHostPeerTest, TheDialogExportsTheChoicesToThePeerAndTheNextRunRemembersThem)
{
    AddExportSendrixor("Proof A", {{"UserSettings", "true"}, {"IncludeFilePackage", "false"}},
                       "Proof A settings");
    AddExportSendrixor("Proof C", {{"UserSettings", "false"}}, "Alpha");
    AddSendrixor("Not mine", plugintest::SendrixorFixture::StandardEntries(), false);
    WriteDocument("Brochure.indd", 3);
    deliverytest::PeerProcess peer((fFolder.Path() / "jobs").string(), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));

    HostRun const run = RunHost(R"({
        "application": {"unit": "mm"},
        "documents": [{"file": "Brochure.indd"}],
        "ui": [
            {"window": "Export to Sendrixor", "choose": {"PDF Settings:": "Proof A settings"}, "click": ["©", "Range:"],
             "type": {"Range:": "2-x3"}, "tick": {"Include File Package": true}, "expand": ["Options"],
             "press": "OK"},
            {"window": "Copyrights", "press": "Done"}
        ],
        "steps": [{"menu": "Main:&File", "item": "Export to Sendrixor..."}]})");
    ExpectCleanRun(run);
    std::vector<QJsonObject> const dialogs = run.Windows(cDialog);
    ASSERT_FALSE(dialogs.empty());
    std::vector<QJsonObject> const lists = SendrixorLists(dialogs[0]);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(Texts(lists[0].value("items").toArray()),
              (std::vector<std::string>{"Alpha", "Proof A settings"}));

    std::vector<QJsonObject> const typed = run.Find("robot", "type");
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].value("text").toString(), QLatin1String("2-3")) << "the wrong key is refused as typed";

    std::vector<QJsonObject> const licences = run.Windows("Copyrights");
    ASSERT_FALSE(licences.empty());
    std::vector<QJsonObject> const browsers = WidgetsOf(licences[0], "QTextBrowser");
    ASSERT_EQ(browsers.size(), 1u);
    EXPECT_NE(browsers[0].value("text").toString().indexOf(QLatin1String("This product includes")), -1);

    // The options, closed at first, hold the settings widget, whose values are in the user's unit.
    std::vector<QJsonObject> const expanded = run.Find("robot", "expand");
    ASSERT_EQ(expanded.size(), 1u);
    EXPECT_FALSE(expanded[0].value("open").toBool()) << "the options start closed";
    std::size_t millimetres = 0;
    for (QJsonValue const& value : dialogs[0].value("widgets").toArray())
    {
        QJsonObject const widget = value.toObject();
        if (widget.value("class").toString().contains(QLatin1String("SpinBox")) &&
            widget.value("text").toString().endsWith(QLatin1String("mm")))
            ++millimetres;
    }
    EXPECT_GT(millimetres, 0u) << "no spin box of the settings widget in millimetres";

    // The package choice went into the plug-in's preference file under the Sendrixor's GUID.
    GPrefFileModule const preferences(GFileSystem::GetSpecialPath(35) /
                                          GPathName("Sendrix_DA2025_InDesign/SendrixPlugins.pref"),
                                      GUnicodeEncoding::GetInstance());
    ASSERT_TRUE(preferences.Has(GBuffer("G-1"), GBuffer("IncludeFilePackageChecked")));
    EXPECT_EQ(Utf8Of(preferences.Get(GBuffer("G-1"), GBuffer("IncludeFilePackageChecked"))), "true");
    std::vector<fs::path> const pdfs = run.Pdfs();
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_EQ(plugintest::PdfInfo(pdfs[0], "Pages"), "2");
    EXPECT_NE(plugintest::PdfPageText(pdfs[0], 1).find("Brochure.indd page 2"), std::string::npos);
    std::vector<QJsonObject> const packages = run.Find("file", "package");
    ASSERT_EQ(packages.size(), 1u);
    fs::path const package(packages[0].value("path").toString().toStdString());
    // The peer's jobs in the order they came, by their path; jobs of other programs are no concern here.
    std::vector<fs::path> ours;
    for (std::string const& text : peer.AwaitJobs(2))
    {
        GPPJobInfo const job(GString(deliverytest::BufferOf(text), GUTF8Encoding::GetInstance(), false));
        fs::path const path = testsupport::FsPathOf(job.GetJobPath());
        if (path != pdfs[0] && path != package)
            continue;
        ours.push_back(path);
        EXPECT_EQ(Utf8Of(job.GetPrinterName()), "Proof A");
    }
    EXPECT_EQ(ours, (std::vector<fs::path>{pdfs[0], package}));
    std::size_t const jobsBefore = peer.Jobs().size();

    HostRun const next = RunHost(R"({
        "documents": [{"file": "Brochure.indd"}],
        "ui": [{"window": "Export to Sendrixor", "press": "Cancel"}],
        "steps": [{"menu": "Main:&File", "item": "Export to Sendrixor..."}]})");
    ExpectCleanRun(next);
    std::vector<QJsonObject> const again = next.Windows(cDialog);
    ASSERT_FALSE(again.empty());
    std::vector<QJsonObject> const list = SendrixorLists(again[0]);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].value("current").toString(), QLatin1String("Proof A settings"));
    std::vector<QJsonObject> const packageBox = WidgetsOf(again[0], "QCheckBox", "Include File Package");
    ASSERT_EQ(packageBox.size(), 1u);
    EXPECT_TRUE(packageBox[0].value("checked").toBool()) << "the stored choice wins over the Sendrixor's";
    EXPECT_TRUE(next.Pdfs().empty());
    std::vector<std::string> const after = peer.Jobs();
    for (std::size_t i = jobsBefore; i < after.size(); ++i)
    {
        GPPJobInfo const job(GString(deliverytest::BufferOf(after[i]), GUTF8Encoding::GetInstance(), false));
        EXPECT_NE(Utf8Of(job.GetPrinterName()), "Proof A") << "Cancel hands nothing to the peer";
    }
    EXPECT_EQ(peer.Stop(), 0);
}

// The robot takes an entry's actions in the entry's order, as a user: the closed "Options" opened
// first, a mark inside it can be ticked, and the PDF has the mark's area.
TEST_F(BundleHostPeerTest, TheRobotOpensTheOptionsBeforeTickingAMarkInside)
{
    AddExportSendrixor("Proof A", {{"UserSettings", "true"}});
    WriteDocument("Brochure.indd", 1);
    deliverytest::PeerProcess peer((fFolder.Path() / "jobs").string(), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    HostRun const plain = RunHost(R"({
        "documents": [{"file": "Brochure.indd"}],
        "ui": [{"window": "Export to Sendrixor", "press": "OK"}],
        "steps": [{"menu": "Main:&File", "item": "Export to Sendrixor..."}]})");
    ExpectCleanRun(plain);
    HostRun const run = RunHost(R"({
        "documents": [{"file": "Brochure.indd"}],
        "ui": [{"window": "Export to Sendrixor", "expand": ["Options"], "tick": {"Crop": true}, "press": "OK"}],
        "steps": [{"menu": "Main:&File", "item": "Export to Sendrixor..."}]})");
    ExpectCleanRun(run);
    std::vector<std::string> actions;
    for (QJsonObject const& line : run.Find("robot"))
    {
        QString const what = line.value("what").toString();
        if (what == QLatin1String("expand") || what == QLatin1String("tick") || what == QLatin1String("press"))
            actions.push_back(what.toStdString() + " " + line.value("control").toString().toStdString());
    }
    EXPECT_EQ(actions, (std::vector<std::string>{"expand Options", "tick Crop", "press OK"}));
    ASSERT_EQ(plain.Pdfs().size(), 1u);
    ASSERT_EQ(run.Pdfs().size(), 1u);
    EXPECT_NE(plugintest::PdfInfo(run.Pdfs()[0], "Page size"), plugintest::PdfInfo(plain.Pdfs()[0], "Page size"))
        << "the crop marks widen the page";
    EXPECT_EQ(peer.Stop(), 0);
}
} // namespace
