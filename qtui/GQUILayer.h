// Brings the Qt widget application up and down inside a host that is not a Qt program, shared with
// every other component of the maker in the same process; holds the host's hooks around modal and
// floating event loops, the default parent of dialogs and the name of the window-state file, and
// applies the maker's look.
#pragma once

#include "GPathName.h"

class QWidget;

class GQUILayer
{
public:
    GQUILayer() = delete;

    using LoopHandler = void (*)(void* windowHandle);
    using WindowEventHandler = void (*)(void* windowHandle, int event);
    using MainWindowHandler = void* (*)();

    // The signal whose messages would flush Qt's posted events.
    static constexpr int cRepeaterSignal = 101;
    // The application's arguments when the layer makes it: one empty argument.
    static int cDummyArgc;
    static char* cDummyArgv[2];
    static char const* const cStyleSheetFrom1015;
    static char const* const cStyleSheetOther;
    // Added to either sheet under any style but the macOS one: square check and radio indicators.
    static char const* const cSquareIndicators;

    // Counted: only the first call starts the layer (the application, the look, the texts, the
    // user-message service), only the call that balances it stops it. A first call that throws
    // takes down what it made and leaves the count as it found it, so that the next one starts anew.
    static void Initialize();
    static void Finalize();
    static int GetInitializeCount() { return sInitialized; }

    // The host's hooks; null clears one. Finalize clears the four loop hooks.
    static void SetStartModalLoopHandler(LoopHandler handler) { sStartModalLoopHandler = handler; }
    static void SetStopModalLoopHandler(LoopHandler handler) { sStopModalLoopHandler = handler; }
    static void SetStartFloatingLoopHandler(LoopHandler handler) { sStartFloatingLoopHandler = handler; }
    static void SetStopFloatingLoopHandler(LoopHandler handler) { sStopFloatingLoopHandler = handler; }
    static void SetWindowEventFloatingHandler(WindowEventHandler handler)
    {
        sWindowEventFloatingHandler = handler;
    }
    // Each calls its hook, when one is set, with the same arguments.
    static void HandleStartModalLoop(void* windowHandle);
    static void HandleStopModalLoop(void* windowHandle);
    static void HandleStartFloatingLoop(void* windowHandle);
    static void HandleStopFloatingLoop(void* windowHandle);
    static void HandleWindowEventFloating(void* windowHandle, int event);

    // A hook makes a new default parent for dialogs (the previous one goes); null removes it.
    static void SetMainWindowHandler(MainWindowHandler handler);
    // Qt's active window when that is wanted and there is one, else the default parent (null
    // without a main-window hook).
    static QWidget* GetWidgetWrapper();
    static void SetUseActiveWindowAsParent(bool use) { sUseActiveWindowAsParent = use; }
    // The folder added to Qt's library paths when the layer makes the application; without one,
    // the folder of the program's own code.
    static void SetQtPluginsFolder(GPathName const& folder);

    // The window-state file: the one set, or "UIGeometrySettingsQt5.ini" in the plug-in's data
    // folder (special folder 36).
    static void SetPrefFileName(GPathName const& file) { sPrefFileName = file; }
    static void GetPrefFileName(GPathName& file);

    // Read by the next first Initialize.
    static void SetUseZolvaneStyle(bool use) { sUseZolvaneStyle = use; }
    static void SetDefaultFloatingIsTool(bool tool) { sDefaultFloatingIsTool = tool; }
    static bool GetDefaultFloatingIsTool() { return sDefaultFloatingIsTool; }

    static GPathName sPrefFileName;

private:
    static void AddLibraryPath();
    static void CreateApplication(unsigned users);
    static void ApplyLook();
    // Takes down what a start that failed made: the foundation's start when it was made, the help
    // handler when it was started.
    static void UndoStart(bool foundation, bool help);

    static int sInitialized;
    static LoopHandler sStartModalLoopHandler;
    static LoopHandler sStopModalLoopHandler;
    static LoopHandler sStartFloatingLoopHandler;
    static LoopHandler sStopFloatingLoopHandler;
    static WindowEventHandler sWindowEventFloatingHandler;
    static MainWindowHandler sMainWindowHandler;
    static bool sUseActiveWindowAsParent;
    static bool sUseZolvaneStyle;
    static bool sDefaultFloatingIsTool;
};
