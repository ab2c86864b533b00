// A preference module kept in memory only: WriteDict saves the store into a stored copy in the
// module, and ReadDict brings the store back to that copy.
#pragma once

#include "GPrefModule.h"

class GPrefMemoryModule : public GPrefModule
{
public:
    // An empty store and an empty stored copy.
    GPrefMemoryModule();
    ~GPrefMemoryModule() override;

    // Drops the changes made since the last WriteDict.
    void ReadDict() override;
    void WriteDict() override;

private:
    Prefs fStored;
};
