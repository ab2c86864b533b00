// IUnitPrefs: the measurement units the user chose for the rulers, by the units' class ids.
#pragma once

#include "IPMUnknown.h"

class IActiveContext;

class IUnitPrefs : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 4610
    };
    enum : ClassID
    {
        kPointsBoss = 4609,
        kPicasBoss = 4610,
        kInchesBoss = 4611,
        kInchesDecimalBoss = 4612,
        kMillimetersBoss = 4613,
        kCentimetersBoss = 4614,
        kCicerosBoss = kStandInIDBase + 20,
        kAgatesBoss = kStandInIDBase + 21,
        kPixelsBoss = kStandInIDBase + 22
    };

    virtual ClassID GetHorizontalUnit() const = 0;
    virtual ClassID GetVerticalUnit() const = 0;
};

// The preferences of that id that apply in the context (the context's document's own, else the
// application's), with a reference; null when the host has none.
IPMUnknown* QueryPreferences(PMIID interfaceID, IActiveContext* context);
