// GIDCSPWindowSupport: the hooks through which the toolkit's dialogs tell InDesign about their modal
// loops, so that the host treats them as its own modal dialogs, and the toolkit's main window.
#pragma once

struct ModalDialogState;

class GIDCSPWindowSupport
{
public:
    GIDCSPWindowSupport() = delete;

    // Enters the host's modal-dialog state; nothing when the host has none to give.
    static void StartModalLoop(void* windowHandle);
    // Leaves the state entered last; nothing when none is held.
    static void StopModalLoop(void* windowHandle);
    // Toolkit windows get no native parent.
    static void* GetMainWindowHandle();

    // The state held while a toolkit dialog runs; null when none is.
    static ModalDialogState* sAcquireModalDialogState;
};
