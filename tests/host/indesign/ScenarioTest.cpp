// The scenario reader: a scenario with its paths taken from its own folder and its defaults, and
// for each field at fault an error that names the file and the field.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "Scenario.h"
#include "ScenarioError.h"
#include "TempFolder.h"
#include "Units.h"

namespace
{
namespace fs = std::filesystem;
using indesignhost::Scenario;
using indesignhost::ScenarioError;
using indesignhost::ScenarioStep;

TEST(ScenarioTest, ReadsPathsFromItsFolderAndKeepsItsDefaults)
{
    testsupport::TempFolder folder("sendrix-scenario-test");
    fs::path const path = folder / "run" / "scenario.json";
    testsupport::WriteFile(path, R"({
        "application": {"unit": "mm", "fontFolders": ["../fonts"]},
        "documents": [{"file": "docs/A.indd"}, {"file": "docs/B.indd", "modified": true, "unit": "c"}],
        "books": [{"file": "Catalog.indb", "panelSelection": ["A.indd"]}],
        "panelBook": null,
        "faults": [{"at": "query.2113929477.44804", "skip": 2, "times": 3, "result": 9}],
        "alerts": [2],
        "steps": [{"menu": "Main:&File", "item": "Export..."}, {"shortcut": "Opt+Shift+E"},
                  {"menuState": "BookPanelPopup"}, {"deleteFontFile": "X.ttf"}, {"modify": "A.indd"},
                  {"startup": true}, {"quit": true}]})");
    Scenario const scenario = indesignhost::ReadScenario(path.string());
    ClassID mm = 0;
    ASSERT_TRUE(indesignhost::UnitFromName("mm", mm));
    EXPECT_EQ(mm, scenario.unit);
    EXPECT_EQ(std::vector<std::string>{(folder / "fonts").string()}, scenario.fontFolders);
    ASSERT_EQ(2u, scenario.documents.size());
    EXPECT_EQ((folder / "run" / "docs" / "B.indd").string(), scenario.documents[1].file);
    EXPECT_TRUE(scenario.documents[1].modified);
    EXPECT_FALSE(scenario.documents[0].modified);
    // The last document listed is in front, the last book current, unless the scenario says.
    EXPECT_EQ("B.indd", scenario.front.value());
    EXPECT_EQ("Catalog.indb", scenario.currentBook.value());
    EXPECT_EQ("", scenario.panelBook.value());
    ASSERT_EQ(1u, scenario.faults.size());
    EXPECT_EQ("query.document.44804", scenario.faults[0].at);
    EXPECT_EQ(9, scenario.faults[0].result.value());
    EXPECT_EQ(std::vector<int16>{2}, scenario.alertAnswers);
    ASSERT_EQ(7u, scenario.steps.size());
    EXPECT_EQ(ScenarioStep::Kind::Menu, scenario.steps[0].kind);
    EXPECT_EQ("Export...", scenario.steps[0].item);
    EXPECT_EQ(ScenarioStep::Kind::Quit, scenario.steps[6].kind);
}

TEST(ScenarioTest, NamesTheFileAndTheFieldAtFault)
{
    struct Case
    {
        char const* text;
        char const* field;
    };
    Case const cases[] = {
        {"", ""},
        {"[1]", ""},
        {"{\"step\": []}", "step"},
        {"{\"ui\": {}}", "ui"},
        {"{\"ui\": [{\"press\": \"OK\"}]}", "ui[0]"},
        {"{\"ui\": [{\"window\": \"Export\", \"tick\": {\"Include\": 1}}]}", "ui[0].tick.Include"},
        {"{\"application\": {\"unit\": \"furlong\"}}", "application.unit"},
        {"{\"application\": {\"fontFolders\": \"fonts\"}}", "application.fontFolders"},
        {"{\"documents\": [{}]}", "documents[0].file"},
        {"{\"documents\": [{\"file\": \"A.indd\", \"modified\": 1}]}", "documents[0].modified"},
        {"{\"books\": [{\"file\": \"B.indb\", \"panelSelection\": [\"\"]}]}", "books[0].panelSelection[0]"},
        {"{\"documents\": [{\"file\": \"A.indd\"}], \"front\": \"B.indd\"}", "front"},
        {"{\"currentBook\": \"B.indb\"}", "currentBook"},
        {"{\"faults\": [{\"at\": \"session.nothing\"}]}", "faults[0].at"},
        {"{\"faults\": [{\"at\": \"session\", \"times\": 0}]}", "faults[0].times"},
        {"{\"faults\": [{\"at\": \"session\", \"skip\": 1.5}]}", "faults[0].skip"},
        {"{\"faults\": [{\"at\": \"session\", \"result\": 3000000000}]}", "faults[0].result"},
        {"{\"alerts\": [4]}", "alerts[0]"},
        {"{\"steps\": [{}]}", "steps[0]"},
        {"{\"steps\": [{\"menu\": \"Main:&File\"}]}", "steps[0].item"},
        {"{\"steps\": [{\"item\": \"Export\"}]}", "steps[0].item"},
        {"{\"steps\": [{\"shortcut\": \"E\", \"menuState\": \"M\"}]}", "steps[0]"},
        {"{\"steps\": [{\"quit\": false}]}", "steps[0].quit"},
        {"{\"steps\": [{\"quit\": true}, {\"startup\": true}]}", "steps[1]"},
        {"{\"steps\": [{\"deleteFontFile\": \"fonts/X.ttf\"}]}", "steps[0].deleteFontFile"},
        {"{\"steps\": [{\"menuState\": \"a\\u0000b\"}]}", "steps[0].menuState"},
    };
    std::string const path = "/scenarios/broken.json";
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.text);
        try
        {
            indesignhost::ParseScenario(test.text, path);
            ADD_FAILURE() << "read";
        }
        catch (ScenarioError const& error)
        {
            EXPECT_EQ(test.field, error.Field());
            EXPECT_EQ(0u, std::string(error.what()).find(path + ": " + test.field));
        }
    }
}

TEST(ScenarioTest, AFileThatCannotBeReadNamesItself)
{
    testsupport::TempFolder folder("sendrix-scenario-test");
    for (fs::path const& path : {folder / "missing.json", folder.Path()})
    {
        SCOPED_TRACE(path.string());
        try
        {
            indesignhost::ReadScenario(path.string());
            ADD_FAILURE() << "read";
        }
        catch (ScenarioError const& error)
        {
            EXPECT_EQ(path.string(), error.Path());
        }
    }
}
} // namespace
