// What the pane's tests share: the pane module loaded once, Qt on its offscreen platform, test
// volumes of InDesign installations in a fresh temporary folder, a robot that answers alerts and
// open panels, and waiting for the pane's search through the run loop.
#pragma once

#include "AppKitStandIn.h"
#include "InstallerPane.h"
#include "MetadataQueryStandIn.h"
#include "TempFolder.h"
#include "macos/CFRunLoopStandIn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace panetest
{
// The loaded module's symbol; the test fails when it has none.
void* Symbol(char const* name);

std::string UTF8Of(CFStringRef text);
CFStringRef MakeString(std::string const& text);

// A bundle folder with its description and, unless pkgInfo is null, its PkgInfo.
inline void MakeBundle(std::filesystem::path const& folder, std::string const& identifier,
                       std::string const& version, char const* pkgInfo = "APPLInDn")
{
    std::filesystem::create_directories(folder / "Contents");
    std::ofstream info(folder / "Contents/Info.plist", std::ios::binary);
    info << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
    if (!identifier.empty())
        info << "\t<key>CFBundleIdentifier</key>\n\t<string>" << identifier << "</string>\n";
    if (!version.empty())
        info << "\t<key>CFBundleVersion</key>\n\t<string>" << version << "</string>\n";
    info << "</dict>\n</plist>\n";
    if (pkgInfo)
        std::ofstream(folder / "Contents/PkgInfo", std::ios::binary) << pkgInfo;
}

// An installation of the supported InDesign: "<folder>/<name>.app".
inline void MakeInstallation(std::filesystem::path const& folder,
                             std::string const& name = "Adobe InDesign 2025",
                             std::string const& version = "20500")
{
    MakeBundle(folder / (name + ".app"), "com.adobe.InDesign", version);
}

// Answers alerts with their default button and open panels from its queue (an empty answer cancels).
class Robot : public AppKitStandInRobot
{
public:
    Robot() { AppKitStandInSetRobot(this); }
    ~Robot() override { AppKitStandInSetRobot(nullptr); }

    NSInteger AnswerAlert(std::string const& title, std::string const& text) override
    {
        fAlerts.push_back(title + ": " + text);
        return NSAlertDefaultReturn;
    }

    bool AnswerOpenPanel(std::string& path) override
    {
        if (fAnswers.empty())
            return false;
        path = fAnswers.front();
        fAnswers.pop_front();
        return !path.empty();
    }

    std::vector<std::string> fAlerts;
    std::deque<std::string> fAnswers;
};

// A test volume, a section whose target it is, and a pane of the module's class on it, each test
// inside an autorelease pool; the search looks in the volume's Applications folder unless told
// otherwise.
class PaneFixture : public ::testing::Test
{
protected:
    PaneFixture();
    ~PaneFixture() override;

    std::filesystem::path Volume() const { return fTemp / "Volume"; }
    std::filesystem::path Applications() const { return Volume() / "Applications"; }
    void SetTargetVolume(std::string const& path);
    // Only the given folders are searched (none: the search finds nothing).
    void SearchIn(std::vector<std::string> const& folders);

    // Enters the pane forward and waits until its search has finished.
    void EnterAndWait();
    // Runs the main run loop until a search finishes; false after a minute without one.
    bool WaitForSearch(unsigned long finishedBefore);
    void Choose(int index);
    void Browse(std::string const& path);

    std::vector<std::string> Items() const;
    int Selected() const { return ComboBox()->currentIndex(); }
    std::string PathField() const { return Field()->text().toStdString(); }
    std::string ToolTip() const { return ComboBox()->toolTip().toStdString(); }
    // The text under "PPATH", empty without one.
    std::string SharedPath() const;

    QComboBox* ComboBox() const;
    QLineEdit* Field() const;
    QPushButton* Button() const;

    testsupport::TempFolder fTemp{"sendrix-pane"};
    // Before the section, which hands out what it makes autoreleased.
    NSAutoreleasePool* fPool = new NSAutoreleasePool;
    InstallerSection fSection;
    InstallerPane* fPane;
    Robot fRobot;
};
} // namespace panetest
