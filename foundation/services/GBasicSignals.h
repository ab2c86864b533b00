// Senders of the foundation's process-wide signals that carry no content.
#pragma once

class GBasicSignals
{
public:
    GBasicSignals() = delete;

    static constexpr int cIdleTimeSignal = 100;
    static constexpr int cRepeaterTimeSignal = 101;
    static constexpr int cPreferencesChangedSignal = 105;

    // Each sends an empty message on its signal (made on first use) and returns when every
    // immediate receiver has run. A host loop that wants idle work done calls the first two.
    static void DevoteTimeToIdlers();
    static void DevoteTimeToRepeaters();
    // Tells every receiver of signal 105 that preferences changed (the default unit, for one).
    static void SendPreferencesChanged();
};
