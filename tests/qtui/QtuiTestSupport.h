// What the toolkit's tests share: a log of the host's hooks, and a fixture that starts each test
// without a Qt application and with the layer's settings as a fresh process has them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

#include <string>
#include <vector>

#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GQUILayer.h"
#include "GQUINativeLookingApplication.h"
#include "TempFolder.h"

namespace qtuitest
{
// The host's hooks as plain functions that record their calls.
class HookLog
{
public:
    static void Install()
    {
        Clear();
        GQUILayer::SetStartModalLoopHandler([](void* handle) { Record("start modal", handle); });
        GQUILayer::SetStopModalLoopHandler([](void* handle) { Record("stop modal", handle); });
        GQUILayer::SetStartFloatingLoopHandler([](void* handle) { Record("start floating", handle); });
        GQUILayer::SetStopFloatingLoopHandler([](void* handle) { Record("stop floating", handle); });
        GQUILayer::SetWindowEventFloatingHandler([](void* handle, int event)
                                                 { Record("event " + std::to_string(event), handle); });
    }
    static void Uninstall()
    {
        GQUILayer::SetStartModalLoopHandler(nullptr);
        GQUILayer::SetStopModalLoopHandler(nullptr);
        GQUILayer::SetStartFloatingLoopHandler(nullptr);
        GQUILayer::SetStopFloatingLoopHandler(nullptr);
        GQUILayer::SetWindowEventFloatingHandler(nullptr);
    }
    static void Clear()
    {
        Entries().clear();
        HandleList().clear();
    }
    // The calls in order, separated by ", ".
    static std::string Calls()
    {
        std::string out;
        for (std::string const& entry : Entries())
            out += (out.empty() ? "" : ", ") + entry;
        return out;
    }
    // Only the calls whose text starts with prefix.
    static std::string Calls(std::string const& prefix)
    {
        std::string out;
        for (std::string const& entry : Entries())
            if (entry.compare(0, prefix.size(), prefix) == 0)
                out += (out.empty() ? "" : ", ") + entry;
        return out;
    }
    static std::vector<void*> const& Handles() { return HandleList(); }

private:
    static void Record(std::string const& what, void* handle)
    {
        Entries().push_back(what);
        HandleList().push_back(handle);
    }
    static std::vector<std::string>& Entries()
    {
        static std::vector<std::string> entries;
        return entries;
    }
    static std::vector<void*>& HandleList()
    {
        static std::vector<void*> handles;
        return handles;
    }
};

// Every test starts and ends with no application, the layer down and its settings at their
// defaults.
class LayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QCoreApplication::instance(), nullptr);
        ResetLayer();
        // Windows that keep their geometry keep it here, never in the folder the tests run in.
        GQUILayer::SetPrefFileName(
            GPathName(GString((fWindowStateFolder / "UIGeometrySettingsQt5.ini").string().c_str())));
    }
    void TearDown() override
    {
        while (GQUILayer::GetInitializeCount() > 0)
            GQUILayer::Finalize();
        ResetLayer();
        HookLog::Uninstall();
        delete QCoreApplication::instance();
        GQUILayer::SetPrefFileName(GPathName());
    }

    testsupport::TempFolder fWindowStateFolder;

private:
    static void ResetLayer()
    {
        GQUILayer::SetMainWindowHandler(nullptr);
        GQUILayer::SetUseZolvaneStyle(true);
        GQUILayer::SetUseActiveWindowAsParent(true);
        GQUILayer::SetDefaultFloatingIsTool(true);
    }
};
// Runs the action on the modal window once its loop runs, as a user would answer it; looks again a
// few times when the window is not up yet. The hooks seen while it runs are kept for the test.
inline void WhenModal(std::function<void(QWidget*)> action, std::string* hooksDuringLoop = nullptr,
                      int triesLeft = 100)
{
    QTimer::singleShot(triesLeft == 100 ? 0 : 10,
                       [action, hooksDuringLoop, triesLeft]
                       {
                           QWidget* const modal = QApplication::activeModalWidget();
                           if (!modal)
                           {
                               if (triesLeft > 0)
                                   WhenModal(action, hooksDuringLoop, triesLeft - 1);
                               return;
                           }
                           if (hooksDuringLoop)
                               *hooksDuringLoop = HookLog::Calls("st");
                           action(modal);
                       });
}

// The same once the modal window is a T (the window before it may still be closing).
template<class T>
void WhenModalIs(std::function<void(T*)> action, std::string* hooksDuringLoop = nullptr, int triesLeft = 100)
{
    WhenModal(
        [action, hooksDuringLoop, triesLeft](QWidget* modal)
        {
            if (T* const window = qobject_cast<T*>(modal))
                action(window);
            else if (triesLeft > 0)
                WhenModalIs<T>(action, hooksDuringLoop, triesLeft - 1);
        },
        hooksDuringLoop, triesLeft == 100 ? 100 : 0);
}

// A user-preference module in memory for the scope's life, as the plug-in's own preferences are to
// the toolkit: the default unit and remembered answers go there.
class UserPreferencesScope
{
public:
    UserPreferencesScope() { GPreferences::SetPrefModule(GPreferences::cUserModuleID, &fModule, false); }
    ~UserPreferencesScope() { GPreferences::RemovePrefModule(GPreferences::cUserModuleID); }
    UserPreferencesScope(UserPreferencesScope const&) = delete;
    UserPreferencesScope& operator=(UserPreferencesScope const&) = delete;

    GPrefMemoryModule& Module() { return fModule; }

private:
    GPrefMemoryModule fModule;
};
} // namespace qtuitest
