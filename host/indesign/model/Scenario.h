// A scenario of the host program: the application's unit and font folders, the documents and books
// to open, the book panel, faults to inject, answers for alerts, what the UI robot does in the
// plug-in's windows, and the steps the user takes. A JSON file; its format is in README.md beside
// this header. Paths in it are taken from the scenario file's folder.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FaultTable.h"
#include "SDKTypes.h"

namespace indesignhost
{
struct ScenarioDocument
{
    std::string file;
    bool modified = false;
    // 0: the application's unit.
    ClassID unit = 0;
};

struct ScenarioBook
{
    std::string file;
    bool modified = false;
    // Chapter file names selected in the book panel.
    std::vector<std::string> panelSelection;
};

struct ScenarioStep
{
    enum class Kind
    {
        Menu,
        Shortcut,
        MenuState,
        DeleteFontFile,
        Modify,
        Startup,
        Quit
    };

    Kind kind = Kind::Quit;
    // The menu path, the shortcut text, the font file's name or the document's file name.
    std::string text;
    // The menu item's name.
    std::string item;
    // "steps[i]", for messages.
    std::string field;
};

// One window the UI robot answers: which one, and what it does there, in the order of the fields
// below whatever their order in the file (a choice can show or hide what later actions need).
struct ScenarioUiEntry
{
    // "ui[i]", for messages and the transcript.
    std::string field;
    // The window's title exactly; empty: any title.
    std::string window;
    // Text a message box's text holds; empty: the entry is no message box's.
    std::string message;
    // Each pair names a control by its label (or a button's text) and gives what to set, in file
    // order within each action.
    std::vector<std::pair<std::string, std::string>> choose;
    std::vector<std::string> click;
    std::vector<std::pair<std::string, std::string>> type;
    std::vector<std::pair<std::string, bool>> tick;
    std::vector<std::string> expand;
    std::vector<std::pair<std::string, std::string>> set;
    // The actions above by their keys ("choose", "click", ...), in the order the entry gives them:
    // the order the robot takes them in, as a user's (a section is opened before what is inside it
    // can be reached).
    std::vector<std::string> order;
    // The button pressed last; empty: none, and the window is left as it is.
    std::string press;
    // Alt is held down while the button is pressed.
    bool alt = false;
};

struct Scenario
{
    // The scenario file, and the folder its paths are taken from.
    std::string path;
    std::string folder;
    ClassID unit = 0;
    std::vector<std::string> fontFolders;
    std::vector<ScenarioDocument> documents;
    std::vector<ScenarioBook> books;
    // File names of an open document or book; unset: the last one listed; empty: none.
    std::optional<std::string> front;
    std::optional<std::string> currentBook;
    std::optional<std::string> panelBook;
    std::vector<Fault> faults;
    std::vector<int16> alertAnswers;
    // The windows the robot answers, in the order they are expected.
    std::vector<ScenarioUiEntry> ui;
    std::vector<ScenarioStep> steps;
};

// Reads the scenario file; throws ScenarioError naming the file and the field.
Scenario ReadScenario(std::string const& path);
// The same from its text; path names it in messages and gives the folder of its paths.
Scenario ParseScenario(std::string const& text, std::string const& path);
} // namespace indesignhost
