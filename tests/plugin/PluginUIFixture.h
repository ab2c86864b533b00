// The plug-in's user interface as its start-up brings it up in the host: the plug-in's bundle folder
// of the test's own, its preference file as module -3, the UI layer up (the Qt application made by the
// toolkit) with the host's hooks recorded, and every message box answered as a user would answer it.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FileTree.h"
#include "GCSPUPluginUILayer.h"
#include "GFileSystem.h"
#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GQUILayer.h"
#include "GStringPool.h"
#include "PSystem.h"
#include "QtuiTestSupport.h"
#include "macos/CFBundleStandIn.h"

namespace plugintest
{
// The plug-in's bundle for one scope: the plug-in finds its folders two levels above its own code,
// which the platform layer names by the bundle registered under the program's bundle identifier; here
// that is the executable's place inside a "Contents" folder of the test's own.
class PluginBundleScope
{
public:
    explicit PluginBundleScope(std::filesystem::path const& contents)
    {
        std::filesystem::create_directories(contents / "MacOS");
        std::string const code = (contents / "MacOS" / "Sendrix_DA2025_InDesign").string();
        CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
            kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(code.data()), CFIndex(code.size()), false);
        CFBundleStandInRegister(CFSTR("com.example.sendrix.plugin-tests"), url);
        CFRelease(url);
        PSystem::GetASCIIBundleIdentifier(fPrevious);
        PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.sendrix.plugin-tests"));
    }
    ~PluginBundleScope() { PSystem::SetASCIIBundleIdentifier(fPrevious); }
    PluginBundleScope(PluginBundleScope const&) = delete;
    PluginBundleScope& operator=(PluginBundleScope const&) = delete;

private:
    GBuffer fPrevious;
};

// What a message box showed.
struct ShownBox
{
    QString fTitle;
    QString fText;
    QMessageBox::Icon fIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons fButtons;
    QWidget* fParent = nullptr;
    // The host's hooks called while the box ran.
    std::string fHooks;
};

// Answers every message box once its loop runs: with the next reply given, or else with its OK.
class MessageBoxAnswerer : public QObject
{
public:
    // Besides a standard button: Escape pressed, or the box closed by its window's close button.
    static constexpr int cEscape = -1;
    static constexpr int cClose = -2;

    MessageBoxAnswerer() { qApp->installEventFilter(this); }
    ~MessageBoxAnswerer() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }

    // Replies for the next boxes, in order.
    void Reply(std::vector<int> const& replies) { fReplies.assign(replies.begin(), replies.end()); }
    // Looks at every box once its loop runs, before it is answered.
    void Watch(std::function<void(QMessageBox&)> watcher) { fWatcher = std::move(watcher); }
    std::vector<ShownBox> const& Shown() const { return fShown; }
    // "title: text" of each box, in order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (ShownBox const& box : fShown)
            texts.push_back((box.fTitle + QStringLiteral(": ") + box.fText).toStdString());
        return texts;
    }
    void Clear() { fShown.clear(); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
        {
            if (QMessageBox* const box = qobject_cast<QMessageBox*>(watched))
            {
                // Inside the box's own loop, as a user answers it.
                QPointer<QMessageBox> const shown(box);
                QTimer::singleShot(0, this,
                                   [this, shown]
                                   {
                                       if (shown)
                                           Answer(*shown);
                                   });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Answer(QMessageBox& box)
    {
        ShownBox shown;
        shown.fTitle = box.windowTitle();
        shown.fText = box.text();
        shown.fIcon = box.icon();
        shown.fButtons = box.standardButtons();
        shown.fParent = box.parentWidget();
        shown.fHooks = qtuitest::HookLog::Calls("st");
        fShown.push_back(shown);
        if (fWatcher)
            fWatcher(box);
        int reply = QMessageBox::Ok;
        if (!fReplies.empty())
        {
            reply = fReplies.front();
            fReplies.pop_front();
        }
        if (reply == cEscape)
            QTest::keyClick(&box, Qt::Key_Escape);
        else if (reply == cClose)
            box.close();
        else if (QAbstractButton* const button = box.button(QMessageBox::StandardButton(reply)))
            button->click();
        else
            ADD_FAILURE() << "no such button on the box " << shown.fTitle.toStdString();
    }

    std::deque<int> fReplies;
    std::vector<ShownBox> fShown;
    std::function<void(QMessageBox&)> fWatcher;
};

// The UI layer up for one scope in the folder, as the action component brings it up: the plug-in's
// strings folder (special folder 22) and preference file (module -3), the bundle, the layer, the
// default parent of dialogs, the host's modal hooks recorded, and a user for the message boxes.
class PluginUIScope
{
public:
    explicit PluginUIScope(std::filesystem::path const& folder)
        : fContents(folder / "Sendrix_DA2025_InDesign.InDesignPlugin" / "Contents"), fBundle(fContents)
    {
        std::filesystem::create_directories(folder / "strings");
        GFileSystem::AddSpecialPath(22, testsupport::PathOf(folder / "strings"));
        GPreferences::SetPrefModule(GPreferences::cUserModuleID, fPreferences = new GPrefMemoryModule, true);
        GQUILayer::SetPrefFileName(testsupport::PathOf(folder / "UIGeometrySettingsQt5.ini"));
        GCSPUPluginUILayer::Initialize();
        // The host's main window is no Qt widget: dialogs get the toolkit's own default parent.
        GQUILayer::SetMainWindowHandler([]() -> void* { return nullptr; });
        qtuitest::HookLog::Install();
        fAnswerer = std::make_unique<MessageBoxAnswerer>();
    }
    ~PluginUIScope()
    {
        fAnswerer.reset();
        while (GCSPUPluginUILayer::GetInitializeCount() > 0)
            GCSPUPluginUILayer::Finalize();
        GQUILayer::SetMainWindowHandler(nullptr);
        qtuitest::HookLog::Uninstall();
        EXPECT_EQ(QCoreApplication::instance(), nullptr) << "the layer leaves no application behind";
        delete QCoreApplication::instance();
        GStringPool::SetLanguage(GString("enUS"));
        GQUILayer::SetPrefFileName(GPathName());
        GPreferences::RemovePrefModule(GPreferences::cUserModuleID);
        GFileSystem::RemoveSpecialPath(22);
    }
    PluginUIScope(PluginUIScope const&) = delete;
    PluginUIScope& operator=(PluginUIScope const&) = delete;

    // The bundle's "Contents" folder, where the licence texts and "QtLibs" lie.
    std::filesystem::path const& Contents() const { return fContents; }
    GPrefMemoryModule& Preferences() { return *fPreferences; }
    MessageBoxAnswerer& Answerer() { return *fAnswerer; }

private:
    std::filesystem::path fContents;
    PluginBundleScope fBundle;
    GPrefMemoryModule* fPreferences = nullptr;
    std::unique_ptr<MessageBoxAnswerer> fAnswerer;
};
} // namespace plugintest
