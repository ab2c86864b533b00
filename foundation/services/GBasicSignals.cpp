// Senders of the foundation's signals without content.
#include "GBasicSignals.h"

#include "GEmptyMessage.h"
#include "GSignal.h"

namespace
{
void SendEmpty(int id)
{
    GSignal<GEmptyMessage>::GetSignal(id)->Send(GEmptyMessage());
}
} // namespace

void GBasicSignals::DevoteTimeToIdlers()
{
    SendEmpty(cIdleTimeSignal);
}

void GBasicSignals::DevoteTimeToRepeaters()
{
    SendEmpty(cRepeaterTimeSignal);
}

void GBasicSignals::SendPreferencesChanged()
{
    SendEmpty(cPreferencesChangedSignal);
}
