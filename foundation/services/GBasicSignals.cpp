// Senders of the foundation's signals without content.
#include "GBasicSignals.h"

#include "GEmptyMessage.h"
#include "GSignal.h"

void GBasicSignals::SendPreferencesChanged()
{
    GSignal<GEmptyMessage>::GetSignal(cPreferencesChangedSignal)->Send(GEmptyMessage());
}
