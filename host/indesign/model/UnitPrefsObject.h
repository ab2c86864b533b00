// The measurement-unit preferences as they apply in one context, made for the plug-in that asks.
#pragma once

#include "HostObject.h"
#include "IUnitPrefs.h"

namespace indesignhost
{
class UnitPrefsObject : public HostObject
{
public:
    UnitPrefsObject(Host& host, ClassID unit);

    IUnitPrefs* GetPrefs() { return &fPrefs; }

private:
    class Prefs : public Facet<IUnitPrefs>
    {
    public:
        explicit Prefs(UnitPrefsObject& object) : Facet<IUnitPrefs>(object), fOwner(object) {}
        ClassID GetHorizontalUnit() const override;
        ClassID GetVerticalUnit() const override;

    private:
        UnitPrefsObject& fOwner;
    };

    ClassID fUnit;
    Prefs fPrefs{*this};
};
} // namespace indesignhost
