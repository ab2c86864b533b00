// GCPTAbstractAction: what every export action has: whether it is active (it takes export requests
// only while its dialog runs) and its menu and dialog titles in the user's language.
#pragma once

#include "GString.h"

class GCPTAbstractAction
{
public:
    // Active, with the titles translated.
    GCPTAbstractAction();
    virtual ~GCPTAbstractAction();
    GCPTAbstractAction(GCPTAbstractAction const&) = delete;
    GCPTAbstractAction& operator=(GCPTAbstractAction const&) = delete;

    void SetActiveState(bool active) { fActive = active; }
    bool IsActive() const { return fActive; }
    // "Export to Sendrixor..." and "Export to Sendrixor", translated.
    GString const& GetMenuTitle() const { return fMenuTitle; }
    GString const& GetDialogTitle() const { return fDialogTitle; }

private:
    bool fActive;
    GString fMenuTitle;
    GString fDialogTitle;
};
