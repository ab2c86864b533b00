// A preference module kept in memory only: WriteDict saves the store into a stored copy in the
// module, and ReadDict brings the store back to that copy. It can be made from preference text and
// turned back into it.
#pragma once

#include "GPrefModule.h"

class GPrefMemoryModule : public GPrefModule
{
public:
    // An empty store and an empty stored copy.
    GPrefMemoryModule();
    // The store and its stored copy read from preference text, in the text's own encoding. Text
    // that breaks off keeps the groups before the break (WasReadIncomplete tells).
    explicit GPrefMemoryModule(GString const& text);
    ~GPrefMemoryModule() override;

    // Drops the changes made since the last WriteDict.
    void ReadDict() override;
    void WriteDict() override;

    // The store as preference text in UTF-16.
    void GetPrefsData(GString& text) const;

private:
    Prefs fStored;
};
