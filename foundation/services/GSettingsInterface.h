// A store of text settings by group and key, as the plug-in's typed setting views read and write
// them without knowing whether the store is a file, shared or only in memory.
#pragma once

class GBuffer;
class GString;

class GSettingsInterface
{
public:
    virtual ~GSettingsInterface() = default;

    // The stored text; the shared empty string when the group or the key is missing. The reference
    // stays valid until the store changes.
    virtual GString const& Get(GBuffer const& group, GBuffer const& key) const = 0;
    virtual void Set(GBuffer const& group, GBuffer const& key, GString const& value) = 0;
    virtual bool Has(GBuffer const& group, GBuffer const& key) const = 0;
};
