// The scenario file with which the installer host answers its window instead of the user in tests,
// one step a line ("#" starts a comment line; line ends LF, CR LF or CR):
//   wait-search        wait until the metadata search started on entering the pane has finished;
//                      at once when no search runs
//   choose <n>         choose the item n (from 0) of the pane's combo box
//   browse <path>      click the pane's button; the open panel answers with the path
//   browse-cancel      click the pane's button; the open panel is cancelled
//   continue / back    press Continue or Back
//   volume <path>      choose another target volume (on the page before the pane)
//   show               print the pane's items, its selection, its path field and its tool tip
//   snapshot <file>    save a picture of the window as PNG
#pragma once

#include <string>
#include <vector>

struct InstallerScenarioStep
{
    enum Kind
    {
        cWaitSearch,
        cChoose,
        cBrowse,
        cBrowseCancel,
        cContinue,
        cBack,
        cVolume,
        cShow,
        cSnapshot
    };

    Kind fKind;
    // The path of browse, volume and snapshot; empty for the others.
    std::string fArgument;
    // The item of choose.
    int fIndex = 0;

    bool operator==(InstallerScenarioStep const& other) const
    {
        return fKind == other.fKind && fArgument == other.fArgument && fIndex == other.fIndex;
    }
};

// False, with the line and the reason in error and steps untouched, for an unknown command, a
// missing or surplus argument, or an item number that is not a decimal from 0 to 9999.
bool InstallerScenarioRead(std::string const& text, std::vector<InstallerScenarioStep>& steps,
                           std::string* error);
// The text that reads back as the steps.
std::string InstallerScenarioWrite(std::vector<InstallerScenarioStep> const& steps);
