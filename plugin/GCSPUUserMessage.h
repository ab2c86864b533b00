// GCSPUUserMessage: the plug-in's user-message service: Qt's plain message boxes over the toolkit's
// default parent. Unlike the toolkit's own service they announce no modal loop to the host and stay
// where Qt puts them; every other request is answered as the plain service answers it.
#pragma once

#include "GUserMessage.h"

class GCSPUUserMessage : public GUserMessage
{
public:
    GCSPUUserMessage() = default;

    // An information box with OK.
    void ShowInfoMessage(GString const& title, GString const& text) override;
    // A critical box with OK.
    void ShowErrorMessage(GString const& title, GString const& text) override;
    // A warning box with OK and Cancel and no default button: true unless OK was pressed (Cancel,
    // Escape and closing the box answer true), as every user-message service answers.
    bool ShowWarningMessage(GString const& title, GString const& text) override;
};
