// The in-memory preference module and its stored copy.
#include "GPrefMemoryModule.h"

GPrefMemoryModule::GPrefMemoryModule()
{
    GPrefMemoryModule::ReadDict();
}

GPrefMemoryModule::~GPrefMemoryModule() = default;

void GPrefMemoryModule::ReadDict()
{
    fDirty = false;
    fPrefs = fStored;
}

void GPrefMemoryModule::WriteDict()
{
    if (!fDirty)
        return;
    fStored = fPrefs;
    fDirty = false;
}
