// Senders of the foundation's process-wide signals that carry no content.
#pragma once

class GBasicSignals
{
public:
    GBasicSignals() = delete;

    static constexpr int cPreferencesChangedSignal = 105;

    // Tells every receiver of signal 105 that preferences changed (the default unit, for one);
    // returns when each immediate receiver has run.
    static void SendPreferencesChanged();
};
