// The toolkit's dialogs in InDesign's modal state.
#include "GIDCSPWindowSupport.h"

#include "IDialogUtils.h"
#include "InterfacePtr.h"
#include "UtilsBoss.h"

ModalDialogState* GIDCSPWindowSupport::sAcquireModalDialogState = nullptr;

void GIDCSPWindowSupport::StartModalLoop(void*)
{
    InterfacePtr<IDialogUtils> const utils(UtilsBoss::QueryUtils<IDialogUtils>());
    if (utils)
        sAcquireModalDialogState = utils->AcquireModalDialogState();
}

void GIDCSPWindowSupport::StopModalLoop(void*)
{
    if (!sAcquireModalDialogState)
        return;
    InterfacePtr<IDialogUtils> const utils(UtilsBoss::QueryUtils<IDialogUtils>());
    if (utils)
        utils->ReleaseModalDialogState(sAcquireModalDialogState);
    sAcquireModalDialogState = nullptr;
}

void* GIDCSPWindowSupport::GetMainWindowHandle()
{
    return nullptr;
}
