// CAlert: the host's own modal alert.
#pragma once

#include "PMString.h"

class CAlert
{
public:
    CAlert() = delete;

    // Shows the text with up to three buttons (an empty name leaves a button out) and answers the
    // number of the button pressed, from 1; 0 when the host shows no alert.
    static int16 ModalAlert(PMString const& text, PMString const& button1, PMString const& button2,
                            PMString const& button3, int16 defaultButton, int16 cancelButton);
};
