// A receiver that wants to hear once per delivery pass that its signals fired, however often they did.
#pragma once

class GConsolidatedReceiver
{
public:
    virtual ~GConsolidatedReceiver() = default;

    // Called at most once per pass of GSignalBase::SendDelayedSignals, with no lock of the signals held.
    virtual void ReceiveConsolidated() = 0;
};
