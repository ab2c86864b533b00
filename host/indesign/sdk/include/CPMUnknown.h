// CPMUnknown: the base of an implementation a plug-in supplies for one interface of a host object:
// it belongs to that object, which answers the queries and counts the references for it.
#pragma once

#include "IPMUnknown.h"

template<class Interface>
class CPMUnknown : public Interface
{
public:
    explicit CPMUnknown(IPMUnknown* boss) : fBoss(boss) {}

    IPMUnknown* QueryInterface(PMIID interfaceID) const override
    {
        return fBoss->QueryInterface(interfaceID);
    }
    void AddRef() const override { fBoss->AddRef(); }
    void Release() const override { fBoss->Release(); }

    // The host object the implementation belongs to.
    IPMUnknown* GetBoss() const { return fBoss; }

    // The host destroys the implementation with its object.
    ~CPMUnknown() override = default;

private:
    IPMUnknown* fBoss;
};
