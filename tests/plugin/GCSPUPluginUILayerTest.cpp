// The plug-in's user interface coming up and going down with the first start and the last stop, the
// bundle's Qt libraries made findable, a failed start undone, and the plug-in's message boxes: what
// each shows, what it answers for each way the user closes it, and that none of them puts the host
// into its modal state.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <filesystem>
#include <string>

#include "ErrorOf.h"
#include "FileTree.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GCPTCSPluginToolsLayer.h"
#include "GCSPUPluginUILayer.h"
#include "GCSPUUserMessage.h"
#include "GFileSystem.h"
#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GQUILayer.h"
#include "PluginUIFixture.h"
#include "TempFolder.h"

namespace
{
namespace fs = std::filesystem;
using plugintest::MessageBoxAnswerer;

// The folders the layer finds, without the layer up: each test starts it itself.
class GCSPUPluginUILayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QCoreApplication::instance(), nullptr);
        fs::create_directories(fTemp / "strings");
        fs::create_directories(fContents / "QtLibs");
        GFileSystem::AddSpecialPath(22, testsupport::PathOf(fTemp / "strings"));
        GPreferences::SetPrefModule(GPreferences::cUserModuleID, new GPrefMemoryModule, true);
    }
    void TearDown() override
    {
        while (GCSPUPluginUILayer::GetInitializeCount() > 0)
            GCSPUPluginUILayer::Finalize();
        delete QCoreApplication::instance();
        GPreferences::RemovePrefModule(GPreferences::cUserModuleID);
        GFileSystem::RemoveSpecialPath(22);
    }

    static bool PluginBoxesInstalled()
    {
        return dynamic_cast<GCSPUUserMessage*>(GUserMessage::GetInstance()) != nullptr;
    }
    // What is up besides the count: the toolkit, the export tools, the application, the service.
    static std::string WhatIsUp()
    {
        return "toolkit " + std::to_string(GQUILayer::GetInitializeCount()) + ", tools " +
               std::to_string(GCPTCSPluginToolsLayer::GetInitializeCount()) + ", application " +
               (qobject_cast<QApplication*>(QCoreApplication::instance()) ? "yes" : "no") + ", boxes " +
               (PluginBoxesInstalled() ? "plug-in" : "default");
    }

    testsupport::TempFolder fTemp;
    fs::path const fContents = fTemp / "Sendrix_DA2025_InDesign.InDesignPlugin" / "Contents";
    plugintest::PluginBundleScope fBundle{fContents};
};
} // namespace

TEST_F(GCSPUPluginUILayerTest, TheFirstStartBringsEverythingUpAndTheLastStopTakesItDown)
{
    GCSPUPluginUILayer::Initialize();
    EXPECT_EQ(WhatIsUp(), "toolkit 1, tools 1, application yes, boxes plug-in");
    EXPECT_TRUE(QCoreApplication::libraryPaths().contains(QDir((fContents / "QtLibs").string().c_str()).canonicalPath()))
        << QCoreApplication::libraryPaths().join(", ").toStdString();
    GUserMessage* const boxes = GUserMessage::GetInstance();
    QCoreApplication* const application = QCoreApplication::instance();

    GCSPUPluginUILayer::Initialize();
    EXPECT_EQ(GCSPUPluginUILayer::GetInitializeCount(), 2);
    EXPECT_EQ(GUserMessage::GetInstance(), boxes) << "a second start only counts";
    EXPECT_EQ(QCoreApplication::instance(), application);
    GCSPUPluginUILayer::Finalize();
    EXPECT_EQ(WhatIsUp(), "toolkit 1, tools 1, application yes, boxes plug-in");

    GCSPUPluginUILayer::Finalize();
    EXPECT_EQ(GCSPUPluginUILayer::GetInitializeCount(), 0);
    EXPECT_EQ(WhatIsUp(), "toolkit 0, tools 0, application no, boxes default");
    EXPECT_TRUE(GUserMessage::HasDefaultInstance());
}

TEST_F(GCSPUPluginUILayerTest, AStopWithoutAStartDoesNotKeepTheNextStartFromActing)
{
    GCSPUPluginUILayer::Finalize();
    GCSPUPluginUILayer::Finalize();
    EXPECT_EQ(GCSPUPluginUILayer::GetInitializeCount(), 0);
    GCSPUPluginUILayer::Initialize();
    EXPECT_EQ(WhatIsUp(), "toolkit 1, tools 1, application yes, boxes plug-in");
    GCSPUPluginUILayer::Finalize();
    EXPECT_EQ(WhatIsUp(), "toolkit 0, tools 0, application no, boxes default");
}

TEST_F(GCSPUPluginUILayerTest, AStartThatFailsLeavesNothingUpAndTheNextOneStartsAnew)
{
    int const foundation = GBasicFrameworkCoreLayer::GetInitializeCount();
    // The plug-in's own code cannot be found, so neither can its Qt libraries.
    PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.sendrix.not-installed"));
    EXPECT_NE(testsupport::ErrorOf([] { GCSPUPluginUILayer::Initialize(); }), 0);
    PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.sendrix.plugin-tests"));
    EXPECT_EQ(GCSPUPluginUILayer::GetInitializeCount(), 0);
    EXPECT_EQ(WhatIsUp(), "toolkit 0, tools 0, application no, boxes default");
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), foundation);

    GCSPUPluginUILayer::Initialize();
    EXPECT_EQ(WhatIsUp(), "toolkit 1, tools 1, application yes, boxes plug-in");
}

namespace
{
class GCSPUUserMessageTest : public ::testing::Test
{
protected:
    testsupport::TempFolder fTemp;
    plugintest::PluginUIScope fUI{fTemp.Path()};
};
} // namespace

TEST_F(GCSPUUserMessageTest, EachBoxShowsItsIconAndButtonsAndAnswersAsTheUserClosedIt)
{
    enum Kind
    {
        cInfo,
        cError,
        cWarning
    };
    struct Case
    {
        char const* fName;
        Kind fKind;
        int fReply;
        QMessageBox::Icon fIcon;
        QMessageBox::StandardButtons fButtons;
        // For a warning: what it answers.
        bool fCancelled;
    };
    QMessageBox::StandardButtons const okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    Case const cases[] = {
        {"information, OK", cInfo, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok, false},
        {"information, Escape", cInfo, MessageBoxAnswerer::cEscape, QMessageBox::Information, QMessageBox::Ok,
         false},
        {"error, OK", cError, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, false},
        {"error, closed", cError, MessageBoxAnswerer::cClose, QMessageBox::Critical, QMessageBox::Ok, false},
        {"warning, OK", cWarning, QMessageBox::Ok, QMessageBox::Warning, okCancel, false},
        {"warning, Cancel", cWarning, QMessageBox::Cancel, QMessageBox::Warning, okCancel, true},
        {"warning, Escape", cWarning, MessageBoxAnswerer::cEscape, QMessageBox::Warning, okCancel, true},
        {"warning, closed", cWarning, MessageBoxAnswerer::cClose, QMessageBox::Warning, okCancel, true},
    };
    GUserMessage* const boxes = GUserMessage::GetInstance();
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        fUI.Answerer().Clear();
        qtuitest::HookLog::Clear();
        fUI.Answerer().Reply({c.fReply});
        // Classic Mac line ends reach the box as line feeds.
        GString const title("Export to Sendrixor");
        GString const text("The PDF was written.\rThe Sendrixor takes it from here.");
        bool cancelled = false;
        if (c.fKind == cInfo)
            boxes->ShowInfoMessage(title, text);
        else if (c.fKind == cError)
            boxes->ShowErrorMessage(title, text);
        else
            cancelled = boxes->ShowWarningMessage(title, text);
        EXPECT_EQ(cancelled, c.fCancelled);
        ASSERT_EQ(fUI.Answerer().Shown().size(), 1u);
        plugintest::ShownBox const& shown = fUI.Answerer().Shown()[0];
        EXPECT_EQ(shown.fTitle, "Export to Sendrixor");
        EXPECT_EQ(shown.fText, "The PDF was written.\nThe Sendrixor takes it from here.");
        EXPECT_EQ(shown.fIcon, c.fIcon);
        EXPECT_EQ(shown.fButtons, c.fButtons);
        EXPECT_EQ(shown.fParent, GQUILayer::GetWidgetWrapper());
        EXPECT_NE(shown.fParent, nullptr);
        EXPECT_EQ(shown.fHooks, "") << "the host is not told of the box's loop";
        EXPECT_EQ(qtuitest::HookLog::Calls("st"), "");
    }
}

TEST_F(GCSPUUserMessageTest, ABoxOverAnActiveWindowBelongsToIt)
{
    QDialog window;
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    GUserMessage::GetInstance()->ShowErrorMessage(GString("Export as Sealmark PDF error"),
                                                  GString("Unable to remove selected PDF setting."));
    ASSERT_EQ(fUI.Answerer().Shown().size(), 1u);
    EXPECT_EQ(fUI.Answerer().Shown()[0].fParent, &window);
}
