// The installed progress centre and the progressor it shows progress in.
#include "GProgressCenter.h"

#include "GProgressor.h"

GProgressCenter* GProgressCenter::sInstance = nullptr;

GProgressCenter::~GProgressCenter()
{
    if (fOwnsProgressor)
        delete fProgressor;
}

void GProgressCenter::SetProgressor(GProgressor* progressor)
{
    // Deleting the one held and then keeping it would leave the centre on a freed object.
    if (progressor == fProgressor)
        return;
    if (fOwnsProgressor)
        delete fProgressor;
    fProgressor = progressor;
}

void GProgressCenter::Reset()
{
    if (fProgressor)
        fProgressor->ResetValue();
}

GAutoPtr<GProgressCenter> GProgressCenter::SetInstance(GProgressCenter* center)
{
    GProgressCenter* previous = sInstance;
    sInstance = center;
    return GAutoPtr<GProgressCenter>(previous, previous != nullptr);
}
