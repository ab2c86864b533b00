// IDialogUtils: the host's modal-dialog state, held while a dialog of a plug-in runs its own loop,
// so that the host treats it as its own modal dialog.
#pragma once

#include "IPMUnknown.h"

// Opaque: what the host hands out and takes back.
struct ModalDialogState;

class IDialogUtils : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 1665
    };

    // Null when the host cannot enter the state.
    virtual ModalDialogState* AcquireModalDialogState() = 0;
    // Only a state this host handed out, once.
    virtual void ReleaseModalDialogState(ModalDialogState* state) = 0;
};
