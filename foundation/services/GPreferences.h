// The one way in to the preferences: a stack of preference modules under integer ids, looked up in
// a fixed order, with typed values stored as text and groups that the maker's programs share through
// the shared module.
#pragma once

#include <cstdint>

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GEncoding.h"
#include "GPair.h"
#include "GSharedObject.h"
#include "GString.h"
#include "GTable.h"
#include "GVariableSubstitution.h"

class GDateTime;
class GPathName;
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

    // Which default modules SetDefaultModules makes (bits).
    enum PrefDefaultModule
    {
        cMemoryModule = 1,
        cSystemModule = 2,
        cUserModule = 4,
        cSharedModule = 8
    };

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
    // Flushes every module in table order, then deletes the owned ones, empties the table, drops the
    // encoding and deletes the variable substitutions. A module whose flush fails does not keep the
    // later ones from being flushed; the first failure passes on once everything is torn down.
    static void Finalize();
    // Each module in table order; a failure does not keep the later modules from being flushed, and
    // the first one passes on at the end.
    static void FlushPrefs();
    // The same for reading the modules again, then the shared groups are copied to the shared module.
    static void Refresh();

    // Makes the default modules of the flags, owned: the user's file 35/<name>.uprefs (-3), the
    // shared file 35/Zolvane.uprefs (-2), the system's file 33/<name>.sprefs (-4) and an empty
    // memory module (-5); 35 and 33 are the user's and the system's "Zolvane Prefs Folder".
    static void SetDefaultModules(GString const& name, int flags);
    // Installs the module under id, keeping the rows sorted by descending id. A module already
    // under that id is replaced (and deleted when the table owned it). A module that is installed
    // already, under any id, stays where it is; the table takes it over when it is handed over owned
    // now. A null module removes the id. When the table cannot grow, an owned module is deleted and
    // the failure passes on.
    static void SetPrefModule(std::int32_t id, GPrefModule* module, bool owned);
    // The module under id, or null.
    static GPrefModule* GetPrefModule(std::int32_t id);
    // Takes the row out, then deletes its module when owned; nothing when absent.
    static void RemovePrefModule(std::int32_t id);
    // The encoding of the default file modules, given to every module, last row first.
    static void SetEncoding(GEncoding const* encoding);
    // The encoding of the default file modules; null before Initialize and after Finalize.
    static GEncoding* GetEncoding() { return const_cast<GEncoding*>(sEncoding.Get()); }
    static void AddVariableSubstitution(GAutoPtr<GVariableSubstitution> substitution);
    // A transaction on every module (see GPrefModule).
    static void StartUsingTempModules();
    static void EndUsingTempModules(bool keep);
    static bool IsDirty();
    // For each pair, the installed module of the id takes over every value of the given module.
    static void UpdatePreferencesWith(GTable<GPair<int, GPrefModule const*>> const& modules);

    // --- reading ---
    // For a shared group, the shared module's value. Otherwise the value of the first module in
    // table order, the shared one skipped, that holds the key; the shared empty string when none
    // does. A group marked shared while no shared module is installed is looked up like any other,
    // so that its values are not lost to a module that is not there.
    static GString const& Get(GBuffer const& group, GBuffer const& key);
    // As Get, but never from the shared module.
    static GString const& GetNonSharedPref(GBuffer const& group, GBuffer const& key);
    // Whether any module holds the key, the shared one included.
    static bool Has(GBuffer const& group, GBuffer const& key);
    // The answer of the module of the id alone; false and the empty string without that module.
    static bool Has(std::int32_t id, GBuffer const& group, GBuffer const& key);
    static GString const& Get(std::int32_t id, GBuffer const& group, GBuffer const& key);
    // The value's leading decimal number; 0 when no module holds the key.
    static std::int32_t GetInt32(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, std::int32_t& value);
    // True exactly for the text "true".
    static bool GetBool(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, bool& value);
    static double GetReal(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, double& value);
    static void Get(GBuffer const& group, GBuffer const& key, GString& value);
    // The value as a cross-platform path, after the path substitutions.
    static GPathName GetPathName(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, GPathName& value);
    // The value read as a PDF date; GetDateTime gives 1 January 1980 for text that is none, the
    // other form leaves the value and answers false.
    static GDateTime GetDateTime(GBuffer const& group, GBuffer const& key);
    static bool Get(GBuffer const& group, GBuffer const& key, GDateTime& value);
    static GString GetUnscramble(GBuffer const& group, GBuffer const& key);
    static std::int32_t GetUnscrambleInt32(GBuffer const& group, GBuffer const& key);
    // False for the sharing group itself; otherwise whether the first module in table order, the
    // shared one skipped, that holds the group's name in the sharing group has "true" there.
    static bool IsPrefSharing(GBuffer const& group);
    static bool WillSubstituteVariablesInPrefType(GVariableSubstitution::StringType type);
    static void SubstituteFromVariables(GVariableSubstitution::StringType type, GString& text);
    static void SubstituteToVariables(GVariableSubstitution::StringType type, GString& text);
    // Appends the group names of the module of the id.
    static void GetGroupNames(std::int32_t id, GTable<GBuffer>& names);

    // --- writing ---
    // Each stores the value's text in the module under id; a value for the user module goes to the
    // shared module instead when the group is shared and the shared module is installed. Throws
    // GSimpleException 40017 when no module is installed under the target id.
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value);
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, std::int32_t value);
    // "true" or "false".
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, bool value);
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, double value);
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, char const* value);
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GPathName const& value);
    // The PDF date string.
    static void Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GDateTime const& value);
    static void SetScramble(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value);
    static void SetScramble(std::int32_t id, GBuffer const& group, GBuffer const& key, std::int32_t value);
    // Kept through a rollback of the module's transaction.
    static void SetIgnoreTemp(std::int32_t id, GBuffer const& group, GBuffer const& key,
                              GString const& value);
    // Only when the module of the id (asked before the redirection to the shared module) lacks the key.
    static void SetDefault(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value);
    // Marks the group shared (or not) in the module of the id, then copies its values that the shared
    // module lacks into it.
    static void SetPrefSharing(std::int32_t id, GBuffer const& group, bool shared);
    static void Remove(std::int32_t id, GBuffer const& group, GBuffer const& key);
    static void Remove(std::int32_t id, GBuffer const& group);

    // When the group is shared: every key of it that the shared module lacks gets the value of the
    // first other module, in table order, that holds it.
    static void CopySharedPreferencesGroup(GBuffer const& group);
    // CopySharedPreferencesGroup for every group named in any module's sharing group.
    static void CopySharedPreferences();

private:
    // The module that holds the group's values for readers and writers, or null when the group is
    // not shared (or there is no shared module to share through).
    static GPrefModule* GetSharingModule(GBuffer const& group);
    // The module a write for id goes to; throws 40017 when there is none.
    static GPrefModule& GetTargetModule(std::int32_t id, GBuffer const& group);
    // The row index of id, or -1.
    static int FindRow(std::int32_t id);

    static GTable<GPrefsData> sModules;
    static GSharedObject<GEncoding const> sEncoding;
    static GTable<GVariableSubstitution*> sVariableSubstitutors;
};
