// One store of preferences: text values by group and key with a dirty flag. The kinds of module
// differ only in where ReadDict loads the store from and WriteDict saves it to.
#pragma once

#include "GBuffer.h"
#include "GDict.h"
#include "GSettingsInterface.h"
#include "GString.h"

class GPrefModule : public GSettingsInterface
{
public:
    GPrefModule();
    ~GPrefModule() override;
    GPrefModule(GPrefModule const&) = delete;
    GPrefModule& operator=(GPrefModule const&) = delete;

    GString const& Get(GBuffer const& group, GBuffer const& key) const override;
    // Marks the module dirty, also when the value stored equals the old one.
    void Set(GBuffer const& group, GBuffer const& key, GString const& value) override;
    bool Has(GBuffer const& group, GBuffer const& key) const override;
    virtual void FlushPrefs();
    virtual void Refresh();
    virtual bool IsDirty() const;
    virtual void SetDirty(bool dirty);

    // Load the store, replacing whatever the module holds, and clear the dirty flag.
    virtual void ReadDict() = 0;
    // Save the store when the module is dirty, then clear the flag; a failure leaves it set.
    virtual void WriteDict() = 0;

protected:
    using GroupPrefs = GDict<GBuffer, GString>;
    using Prefs = GDict<GBuffer, GroupPrefs>;

    bool fDirty;
    // Group name to the group's key names and values; names are bytes, compared exactly.
    Prefs fPrefs;
};
