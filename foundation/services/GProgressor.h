// A progress display: a value out of a maximum and a caption. A user interface overrides the
// change hooks to redraw; the base shows nothing.
#pragma once

#include "GString.h"

class GProgressor
{
public:
    GProgressor() = default;
    virtual ~GProgressor() = default;
    GProgressor(GProgressor const&) = delete;
    GProgressor& operator=(GProgressor const&) = delete;

    // Each setter calls its hook only when it changes something.
    void SetMaximum(long long maximum);
    void SetText(GString const& text);
    // Only a greater value is taken, so the shown value never goes back.
    void SetValue(long long value);
    // Takes any value, a smaller one too.
    void ForceValue(long long value);
    // Back to -1, no value yet.
    void ResetValue();
    // Up to the maximum when below it.
    void SetToMaximum();

    long long GetValue() const { return fValue; }
    long long GetMaximum() const { return fMaximum; }
    GString const& GetText() const { return fText; }

protected:
    virtual void ValueChangedSelf() {}
    virtual void MaximumChangedSelf() {}
    virtual void SetTextSelf() {}

private:
    long long fValue = -1;
    long long fMaximum = -1;
    GString fText;
};
