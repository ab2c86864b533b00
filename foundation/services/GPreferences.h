// The one way in to the preferences: a stack of preference modules under integer ids, looked up in
// a fixed order, with groups that the maker's programs share through the shared module.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GEncoding.h"
#include "GSharedObject.h"
#include "GString.h"
#include "GTable.h"

class GPrefModule;

class GPreferences
{
public:
    GPreferences() = delete;

    // The ids of the standard modules. Custom modules take ids of 0 and above, so they come first.
    static constexpr std::int32_t cSharedModuleID = -2;
    static constexpr std::int32_t cUserModuleID = -3;
    static constexpr std::int32_t cSystemModuleID = -4;
    static constexpr std::int32_t cMemoryModuleID = -5;

    // Group G is shared when key G of this group holds exactly "true".
    static GBuffer const cPrefSharingGroup;

    // One row of the module table; an owned module is deleted by the table.
    struct GPrefsData
    {
        std::int32_t fID;
        GPrefModule* fModule;
        bool fOwned;
    };

    // The default file modules are written in the Unicode encoding from now on.
    static void Initialize();
    // Flushes every module in table order, then deletes the owned ones, empties the table and
    // drops the encoding. A module whose flush fails does not keep the later ones from being
    // flushed; the first failure passes on once everything is torn down.
    static void Finalize();

    // Installs the module under id, keeping the rows sorted by descending id. A module already
    // under that id is replaced (and deleted when the table owned it and it is another one). A
    // null module removes the id. When the table cannot grow, an owned module is deleted and the
    // failure passes on.
    static void SetPrefModule(std::int32_t id, GPrefModule* module, bool owned);
    // The module under id, or null.
    static GPrefModule* GetPrefModule(std::int32_t id);
    // Takes the row out, then deletes its module when owned; nothing when absent.
    static void RemovePrefModule(std::int32_t id);

    // For a shared group, the shared module's value. Otherwise the value of the first module in
    // table order, the shared one skipped, that holds the key; the shared empty string when none
    // does. A group marked shared while no shared module is installed is looked up like any other,
    // so that its values are not lost to a module that is not there.
    static GString const& Get(GBuffer const& group, GBuffer const& key);
    // Whether any module holds the key, the shared one included.
    static bool Has(GBuffer const& group, GBuffer const& key);
    // The value's leading decimal number; 0 when no module holds the key.
    static std::int32_t GetInt32(GBuffer const& group, GBuffer const& key);
    // False for the sharing group itself; otherwise whether the first module in table order, the
    // shared one skipped, that holds the group's name in the sharing group has "true" there.
    static bool IsPrefSharing(GBuffer const& group);

    // Stores the value in the module under id; a value for the user module goes to the shared
    // module instead when the group is shared and the shared module is installed. Throws
    // GSimpleException 40017 when no module is installed under the target id.
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value);

    // The encoding of the default file modules; null before Initialize and after Finalize.
    static GEncoding* GetEncoding() { return sEncoding.Get(); }

private:
    // The module that holds the group's values for readers and writers, or null when the group is
    // not shared (or there is no shared module to share through).
    static GPrefModule* GetSharingModule(GBuffer const& group);
    // The row index of id, or -1.
    static int FindRow(std::int32_t id);

    static GTable<GPrefsData> sModules;
    static GSharedObject<GEncoding> sEncoding;
};
