// The progress display's value, maximum and caption.
#include "GProgressor.h"

void GProgressor::SetMaximum(long long maximum)
{
    if (maximum == fMaximum)
        return;
    fMaximum = maximum;
    MaximumChangedSelf();
}

void GProgressor::SetText(GString const& text)
{
    if (text == fText)
        return;
    fText = text;
    SetTextSelf();
}

void GProgressor::SetValue(long long value)
{
    if (value <= fValue)
        return;
    fValue = value;
    ValueChangedSelf();
}

void GProgressor::ForceValue(long long value)
{
    fValue = value;
    ValueChangedSelf();
}

void GProgressor::ResetValue()
{
    fValue = -1;
    ValueChangedSelf();
}

void GProgressor::SetToMaximum()
{
    if (fValue >= fMaximum)
        return;
    fValue = fMaximum;
    ValueChangedSelf();
}
