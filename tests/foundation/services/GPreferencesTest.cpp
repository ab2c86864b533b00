// Preferences over a stack of memory modules: the store of one module, the order in which the stack
// is searched, installing and removing modules, shared groups, writes to missing modules, and the
// teardown that flushes and deletes.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "GBuffer.h"
#include "GDateTime.h"
#include "GFileSystem.h"
#include "GPathName.h"
#include "GPrefFileModule.h"
#include "GPrefMemoryModule.h"
#include "GPrefSharedFileModule.h"
#include "GPreferences.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "TempFolder.h"
#include "macos/FoundationStandIn.h"

namespace
{
std::string Utf8(GString const& text)
{
    GBuffer bytes;
    text.GetBuffer(bytes, GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
}

GString Text(std::string const& utf8)
{
    return GString(reinterpret_cast<unsigned char const*>(utf8.data()), int(utf8.size()),
                   GUTF8Encoding::GetInstance(), false);
}

struct Entry
{
    char const* fGroup;
    char const* fKey;
    char const* fValue;
};

// A memory module that tells when it is deleted and can be made to fail its writes.
class TestModule : public GPrefMemoryModule
{
public:
    explicit TestModule(std::initializer_list<Entry> entries, bool* deleted = nullptr) : fDeleted(deleted)
    {
        for (Entry const& entry : entries)
            Set(entry.fGroup, entry.fKey, Text(entry.fValue));
    }
    ~TestModule() override
    {
        if (fDeleted)
            *fDeleted = true;
    }

    void WriteDict() override
    {
        ++fWrites;
        if (fFailWrites)
            throw GSimpleException(40164);
        GPrefMemoryModule::WriteDict();
    }

    bool* fDeleted;
    bool fFailWrites = false;
    int fWrites = 0;
};

class GPrefMemoryModuleTest : public ::testing::Test
{
};

class GPreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { GPreferences::Initialize(); }
    void TearDown() override { GPreferences::Finalize(); }

    // Installs an owned module holding the entries and returns it.
    static TestModule* Install(int id, std::initializer_list<Entry> entries)
    {
        TestModule* module = new TestModule(entries);
        GPreferences::SetPrefModule(id, module, true);
        return module;
    }
};

// --- one module ---

TEST_F(GPrefMemoryModuleTest, KeepsValuesByGroupAndExactKey)
{
    GPrefMemoryModule module;
    module.Set("General", "Unit", Text("cm"));
    module.Set("Other", "Unit", Text("in"));
    module.Set("General", "Unit", Text("mm"));

    EXPECT_EQ("mm", Utf8(module.Get("General", "Unit")));
    EXPECT_EQ("in", Utf8(module.Get("Other", "Unit")));
    EXPECT_TRUE(module.Has("General", "Unit"));
    // Names are bytes: case and a missing group or key are no match, and no error.
    EXPECT_FALSE(module.Has("General", "unit"));
    EXPECT_FALSE(module.Has("general", "Unit"));
    EXPECT_FALSE(module.Has("Missing", "Unit"));
    EXPECT_EQ(&GString::cEmptyString, &module.Get("Missing", "Unit"));
    EXPECT_EQ(&GString::cEmptyString, &module.Get("General", "Missing"));
}

TEST_F(GPrefMemoryModuleTest, KeepsTextThatIsNotASCII)
{
    GPrefMemoryModule module;
    module.Set("General", "Name", Text("Zürich \xE2\x82\xAC"));
    EXPECT_EQ("Zürich \xE2\x82\xAC", Utf8(module.Get("General", "Name")));
}

TEST_F(GPrefMemoryModuleTest, RefreshDropsWhatWasNotFlushed)
{
    GPrefMemoryModule module;
    EXPECT_FALSE(module.IsDirty());
    module.Set("General", "Kept", Text("1"));
    EXPECT_TRUE(module.IsDirty());
    module.FlushPrefs();
    EXPECT_FALSE(module.IsDirty());

    module.Set("General", "Kept", Text("2"));
    module.Set("General", "Dropped", Text("3"));
    module.Refresh();

    EXPECT_FALSE(module.IsDirty());
    EXPECT_EQ("1", Utf8(module.Get("General", "Kept")));
    EXPECT_FALSE(module.Has("General", "Dropped"));
}

TEST_F(GPrefMemoryModuleTest, FlushWritesOnlyWhenDirty)
{
    GPrefMemoryModule module;
    module.Set("General", "Key", Text("stored"));
    module.FlushPrefs();
    module.Set("General", "Key", Text("changed"));
    // A module told it is clean has nothing to save, so its change goes with the next refresh.
    module.SetDirty(false);
    module.FlushPrefs();
    module.Refresh();
    EXPECT_EQ("stored", Utf8(module.Get("General", "Key")));
}

// --- the stack ---

TEST_F(GPreferencesTest, LooksUpTheModulesInDescendingIdOrder)
{
    // Installed out of order; every module holds "Key", and "Low" only the two lowest.
    for (int id : {-5, 2, -3, 0, -4})
    {
        std::string const value = std::to_string(id);
        TestModule* module = Install(id, {{"G", "Key", value.c_str()}});
        if (id <= -4)
            module->Set("G", "Low", Text(value));
    }
    EXPECT_EQ("-4", Utf8(GPreferences::Get("G", "Low")));

    // Taking the first module away each time uncovers the next one in id order.
    for (int id : {2, 0, -3, -4, -5})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(std::to_string(id), Utf8(GPreferences::Get("G", "Key")));
        EXPECT_TRUE(GPreferences::Has("G", "Key"));
        GPreferences::RemovePrefModule(id);
        EXPECT_EQ(nullptr, GPreferences::GetPrefModule(id));
    }
    EXPECT_FALSE(GPreferences::Has("G", "Key"));
    EXPECT_EQ(&GString::cEmptyString, &GPreferences::Get("G", "Key"));
}

TEST_F(GPreferencesTest, AModuleWithoutTheKeyIsPassedOver)
{
    Install(0, {{"G", "Other", "x"}});
    Install(-3, {{"G", "Key", "user"}});
    Install(-4, {{"G", "Key", "system"}});
    EXPECT_EQ("user", Utf8(GPreferences::Get("G", "Key")));
    // An empty value still counts as held.
    GPreferences::GetPrefModule(0)->Set("G", "Key", GString(""));
    EXPECT_TRUE(GPreferences::Get("G", "Key").IsEmpty());
}

TEST_F(GPreferencesTest, ReadsIntegersFromTheText)
{
    Install(-3,
            {{"G", "Count", "42"}, {"G", "Negative", "-7"}, {"G", "Trailing", "12pt"}, {"G", "Word", "pt"}});
    EXPECT_EQ(42, GPreferences::GetInt32("G", "Count"));
    EXPECT_EQ(-7, GPreferences::GetInt32("G", "Negative"));
    EXPECT_EQ(12, GPreferences::GetInt32("G", "Trailing"));
    EXPECT_EQ(0, GPreferences::GetInt32("G", "Word"));
    EXPECT_EQ(0, GPreferences::GetInt32("G", "Missing"));
}

TEST_F(GPreferencesTest, ReplacingAnIdDeletesOnlyTheOwnedModuleItReplaces)
{
    bool firstDeleted = false;
    bool secondDeleted = false;
    TestModule* first = new TestModule({{"G", "Key", "first"}}, &firstDeleted);
    GPreferences::SetPrefModule(-3, first, true);
    Install(0, {});
    Install(-5, {});

    TestModule* second = new TestModule({{"G", "Key", "second"}}, &secondDeleted);
    GPreferences::SetPrefModule(-3, second, true);
    EXPECT_TRUE(firstDeleted);
    EXPECT_EQ(second, GPreferences::GetPrefModule(-3));
    EXPECT_EQ("second", Utf8(GPreferences::Get("G", "Key")));

    // Installing the module that is already there keeps it alive.
    GPreferences::SetPrefModule(-3, second, true);
    EXPECT_FALSE(secondDeleted);
    EXPECT_EQ("second", Utf8(GPreferences::Get("G", "Key")));

    // The row kept its place between 0 and -5.
    GPreferences::GetPrefModule(0)->Set("G", "Key", Text("custom"));
    GPreferences::GetPrefModule(-5)->Set("G", "Key", Text("memory"));
    EXPECT_EQ("custom", Utf8(GPreferences::Get("G", "Key")));
    GPreferences::RemovePrefModule(0);
    EXPECT_EQ("second", Utf8(GPreferences::Get("G", "Key")));

    GPreferences::SetPrefModule(-3, nullptr, true);
    EXPECT_TRUE(secondDeleted);
    EXPECT_EQ("memory", Utf8(GPreferences::Get("G", "Key")));
}

TEST_F(GPreferencesTest, ModulesNotOwnedOutliveTheTable)
{
    bool deleted = false;
    TestModule borrowed({{"G", "Key", "value"}}, &deleted);
    GPreferences::SetPrefModule(-3, &borrowed, false);
    GPreferences::SetPrefModule(-3, new TestModule({}), true);
    EXPECT_FALSE(deleted);

    GPreferences::SetPrefModule(-4, &borrowed, false);
    GPreferences::RemovePrefModule(-4);
    GPreferences::SetPrefModule(-4, &borrowed, false);
    GPreferences::Finalize();
    EXPECT_FALSE(deleted);
    EXPECT_EQ(nullptr, GPreferences::GetPrefModule(-4));
    GPreferences::Initialize();
}

TEST_F(GPreferencesTest, SetWritesIntoTheModuleOfTheId)
{
    TestModule* custom = Install(0, {});
    TestModule* user = Install(-3, {});
    GPreferences::Set(-3, "G", "Key", Text("to user"));
    EXPECT_EQ("to user", Utf8(user->Get("G", "Key")));
    EXPECT_FALSE(custom->Has("G", "Key"));
    EXPECT_TRUE(user->IsDirty());
}

TEST_F(GPreferencesTest, SetIntoAMissingModuleThrowsAndChangesNothing)
{
    TestModule* user = Install(-3, {});
    try
    {
        GPreferences::Set(-4, "G", "Key", Text("lost"));
        FAIL() << "no exception";
    }
    catch (GSimpleException const& e)
    {
        EXPECT_EQ(40017, e.GetExceptionID());
    }
    EXPECT_FALSE(user->Has("G", "Key"));
    EXPECT_FALSE(user->IsDirty());
    EXPECT_FALSE(GPreferences::Has("G", "Key"));
}

// --- shared groups ---

// A user module that marks groups shared, and the shared module -2.
class GPreferencesSharingTest : public GPreferencesTest
{
protected:
    void SetUp() override
    {
        GPreferencesTest::SetUp();
        fUser = Install(-3, {{"PrefSharing", "Shared", "true"},
                             {"PrefSharing", "Capital", "True"},
                             {"PrefSharing", "One", "1"},
                             {"Shared", "Key", "user"},
                             {"Plain", "Key", "user"}});
        fShared = Install(-2, {{"Shared", "Key", "shared"},
                               {"Plain", "Key", "shared"},
                               {"Plain", "OnlyShared", "shared"},
                               {"PrefSharing", "Plain", "true"}});
    }

    TestModule* fUser = nullptr;
    TestModule* fShared = nullptr;
};

TEST_F(GPreferencesSharingTest, OnlyExactlyTrueMarksAGroupShared)
{
    struct Case
    {
        char const* fGroup;
        bool fShared;
    };
    // "Plain" is marked only in the shared module, which does not decide.
    for (Case const& c : {Case{"Shared", true}, Case{"Capital", false}, Case{"One", false},
                          Case{"Plain", false}, Case{"Unmarked", false}, Case{"PrefSharing", false}})
    {
        SCOPED_TRACE(c.fGroup);
        EXPECT_EQ(c.fShared, GPreferences::IsPrefSharing(c.fGroup));
    }
}

TEST_F(GPreferencesSharingTest, TheFirstModuleThatMarksTheGroupDecides)
{
    Install(0, {{"PrefSharing", "Shared", "false"}, {"PrefSharing", "Plain", "true"}});
    EXPECT_FALSE(GPreferences::IsPrefSharing("Shared"));
    EXPECT_TRUE(GPreferences::IsPrefSharing("Plain"));
    EXPECT_EQ("user", Utf8(GPreferences::Get("Shared", "Key")));
    EXPECT_EQ("shared", Utf8(GPreferences::Get("Plain", "Key")));
}

TEST_F(GPreferencesSharingTest, ASharedGroupIsReadFromTheSharedModuleAlone)
{
    EXPECT_EQ("shared", Utf8(GPreferences::Get("Shared", "Key")));
    // The user module's value does not stand in for a key that the shared module lacks.
    fUser->Set("Shared", "UserOnly", Text("user"));
    EXPECT_TRUE(GPreferences::Get("Shared", "UserOnly").IsEmpty());
    EXPECT_TRUE(GPreferences::Has("Shared", "UserOnly"));
}

TEST_F(GPreferencesSharingTest, AnUnsharedGroupNeverReadsTheSharedModule)
{
    EXPECT_EQ("user", Utf8(GPreferences::Get("Plain", "Key")));
    EXPECT_TRUE(GPreferences::Get("Plain", "OnlyShared").IsEmpty());
    // Has asks every module, the shared one included.
    EXPECT_TRUE(GPreferences::Has("Plain", "OnlyShared"));
}

TEST_F(GPreferencesSharingTest, WritesForTheUserModuleGoToTheSharedModule)
{
    TestModule* system = Install(-4, {});

    GPreferences::Set(-3, "Shared", "New", Text("a"));
    EXPECT_EQ("a", Utf8(fShared->Get("Shared", "New")));
    EXPECT_FALSE(fUser->Has("Shared", "New"));
    EXPECT_EQ("a", Utf8(GPreferences::Get("Shared", "New")));

    // Only the user module is redirected, and only for shared groups.
    GPreferences::Set(-4, "Shared", "New", Text("b"));
    EXPECT_EQ("b", Utf8(system->Get("Shared", "New")));
    EXPECT_EQ("a", Utf8(fShared->Get("Shared", "New")));

    GPreferences::Set(-3, "Plain", "New", Text("c"));
    EXPECT_EQ("c", Utf8(fUser->Get("Plain", "New")));
    EXPECT_FALSE(fShared->Has("Plain", "New"));
}

TEST_F(GPreferencesSharingTest, WithoutASharedModuleASharedGroupStaysWithTheUser)
{
    GPreferences::RemovePrefModule(-2);
    EXPECT_TRUE(GPreferences::IsPrefSharing("Shared"));
    EXPECT_EQ("user", Utf8(GPreferences::Get("Shared", "Key")));
    GPreferences::Set(-3, "Shared", "Key", Text("kept"));
    EXPECT_EQ("kept", Utf8(fUser->Get("Shared", "Key")));
    EXPECT_EQ("kept", Utf8(GPreferences::Get("Shared", "Key")));
}

// --- start-up and teardown ---

TEST_F(GPreferencesTest, InitializeSetsTheUnicodeEncodingAndFinalizeDropsIt)
{
    EXPECT_EQ(static_cast<GEncoding*>(GUnicodeEncoding::GetInstance()), GPreferences::GetEncoding());
    GPreferences::Finalize();
    EXPECT_EQ(nullptr, GPreferences::GetEncoding());
    GPreferences::Initialize();
}

TEST_F(GPreferencesTest, FinalizeFlushesEveryModuleBeforeDeletingTheOwnedOnes)
{
    bool ownedDeleted = false;
    TestModule borrowed({});
    GPreferences::SetPrefModule(-3, &borrowed, false);
    GPreferences::SetPrefModule(-5, new TestModule({}, &ownedDeleted), true);
    GPreferences::Set(-3, "G", "Key", Text("flushed"));

    GPreferences::Finalize();
    EXPECT_TRUE(ownedDeleted);
    EXPECT_EQ(1, borrowed.fWrites);
    // What was flushed survives a refresh of the module.
    borrowed.Refresh();
    EXPECT_EQ("flushed", Utf8(borrowed.Get("G", "Key")));
    GPreferences::Initialize();
}

TEST_F(GPreferencesTest, AFailedFlushStillFlushesTheOthersAndTearsDown)
{
    bool failingDeleted = false;
    bool laterDeleted = false;
    TestModule* failing = new TestModule({}, &failingDeleted);
    failing->fFailWrites = true;
    GPreferences::SetPrefModule(0, failing, true);
    TestModule later({{"G", "Key", "saved"}}, &laterDeleted);
    GPreferences::SetPrefModule(-3, &later, false);

    try
    {
        GPreferences::Finalize();
        FAIL() << "no exception";
    }
    catch (GSimpleException const& e)
    {
        EXPECT_EQ(40164, e.GetExceptionID());
    }
    EXPECT_TRUE(failingDeleted);
    EXPECT_FALSE(laterDeleted);
    EXPECT_EQ(1, later.fWrites);
    EXPECT_EQ(nullptr, GPreferences::GetPrefModule(0));
    EXPECT_EQ(nullptr, GPreferences::GetPrefModule(-3));
    EXPECT_EQ(nullptr, GPreferences::GetEncoding());
    later.Refresh();
    EXPECT_EQ("saved", Utf8(later.Get("G", "Key")));
    GPreferences::Initialize();
}

// --- installing a module twice ---

TEST_F(GPreferencesTest, InstallingAModuleThatIsInstalledAlreadyLeavesItWhereItIs)
{
    bool deleted = false;
    TestModule* module = new TestModule({{"G", "Key", "only"}}, &deleted);
    GPreferences::SetPrefModule(-3, module, true);
    GPreferences::SetPrefModule(-3, module, true);
    GPreferences::SetPrefModule(0, module, true);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(module, GPreferences::GetPrefModule(-3));
    EXPECT_EQ(nullptr, GPreferences::GetPrefModule(0)) << "one row per module";
    EXPECT_EQ("only", Utf8(GPreferences::Get("G", "Key")));

    // Handed over owned the second time, the table deletes it once.
    bool borrowedDeleted = false;
    TestModule* borrowed = new TestModule({}, &borrowedDeleted);
    GPreferences::SetPrefModule(-4, borrowed, false);
    GPreferences::SetPrefModule(-4, borrowed, true);
    GPreferences::RemovePrefModule(-4);
    EXPECT_TRUE(borrowedDeleted);
    GPreferences::RemovePrefModule(-3);
    EXPECT_TRUE(deleted);
}

// --- typed values ---

TEST_F(GPreferencesTest, TypedValuesAreStoredAsText)
{
    TestModule* user = Install(-3, {});
    GPreferences::Set(-3, "G", "Int", std::int32_t(-42));
    GPreferences::Set(-3, "G", "True", true);
    GPreferences::Set(-3, "G", "False", false);
    GPreferences::Set(-3, "G", "Real", 0.1);
    GPreferences::Set(-3, "G", "Text", "plain");
    struct Case
    {
        char const* fKey;
        std::string fStored;
    };
    for (Case const& c :
         {Case{"Int", "-42"}, Case{"True", "true"}, Case{"False", "false"}, Case{"Text", "plain"}})
    {
        SCOPED_TRACE(c.fKey);
        EXPECT_EQ(c.fStored, Utf8(user->Get("G", c.fKey)));
    }
    EXPECT_EQ(0.1, GPreferences::GetReal("G", "Real")) << Utf8(user->Get("G", "Real"));
    double real = 0;
    GPreferences::Get("G", "Real", real);
    EXPECT_EQ(0.1, real);
    std::int32_t number = 0;
    GPreferences::Get("G", "Int", number);
    EXPECT_EQ(-42, number);
    GString text;
    GPreferences::Get("G", "Text", text);
    EXPECT_EQ("plain", Utf8(text));
}

TEST_F(GPreferencesTest, OnlyTheExactTextTrueIsTrue)
{
    Install(-3, {{"G", "true", "true"},
                 {"G", "True", "True"},
                 {"G", "1", "1"},
                 {"G", "yes", "yes"},
                 {"G", "blank", "true "}});
    for (char const* key : {"true", "True", "1", "yes", "blank", "missing"})
    {
        SCOPED_TRACE(key);
        bool value = !GPreferences::GetBool("G", key);
        GPreferences::Get("G", key, value);
        EXPECT_EQ(std::string(key) == "true", value);
        EXPECT_EQ(std::string(key) == "true", GPreferences::GetBool("G", key));
    }
}

TEST_F(GPreferencesTest, DatesReadBackEqualAndOtherTextIsNoDate)
{
    TestModule* user = Install(-3, {{"G", "Bad", "yesterday"}});
    GDateTime const date(15, 3, 2024, 14, 30, 5, 1, 1, 0);
    GPreferences::Set(-3, "G", "Date", date);
    EXPECT_EQ("D:20240315143005+01'00'", Utf8(user->Get("G", "Date")));
    GDateTime back(false);
    EXPECT_TRUE(GPreferences::Get("G", "Date", back));
    EXPECT_TRUE(back == date);
    EXPECT_EQ(1, back.GetZoneHours());
    EXPECT_TRUE(GPreferences::GetDateTime("G", "Date") == date);

    GDateTime unchanged(false);
    EXPECT_FALSE(GPreferences::Get("G", "Bad", unchanged));
    EXPECT_FALSE(GPreferences::Get("G", "Missing", unchanged));
    EXPECT_TRUE(unchanged == GDateTime(false));
    EXPECT_TRUE(GPreferences::GetDateTime("G", "Bad") == GDateTime(false));
}

TEST_F(GPreferencesTest, ScrambledValuesAreStoredScrambled)
{
    TestModule* user = Install(-3, {});
    GPreferences::SetScramble(-3, "G", "Password", Text("s3cr\xC3\xA9t"));
    GPreferences::SetScramble(-3, "G", "Number", std::int32_t(1234));
    EXPECT_EQ(std::string::npos, Utf8(user->Get("G", "Password")).find("s3cr"));
    EXPECT_EQ("s3cr\xC3\xA9t", Utf8(GPreferences::GetUnscramble("G", "Password")));
    EXPECT_EQ(1234, GPreferences::GetUnscrambleInt32("G", "Number"));
}

namespace
{
// Stores paths under "/Users/me" as "$HOME" followed by the rest.
class HomeVariable : public GVariableSubstitution
{
public:
    explicit HomeVariable(bool* deleted = nullptr) : fDeleted(deleted) {}
    ~HomeVariable() override
    {
        if (fDeleted)
            *fDeleted = true;
    }
    bool HandlesStringType(StringType type) const override { return type == cPathNameType; }
    void SubstituteToVariables(GString& text) const override
    {
        text.Replace(0, GString("/Users/me"), GString("$HOME"));
    }
    void SubstituteFromVariables(GString& text) const override
    {
        text.Replace(0, GString("$HOME"), GString("/Users/me"));
    }

private:
    bool* fDeleted;
};
} // namespace

TEST_F(GPreferencesTest, PathsPassThroughTheVariableSubstitutions)
{
    TestModule* user = Install(-3, {});
    GPreferences::Set(-3, "G", "Plain", GPathName("/Users/me/Documents/a b.pdf"));
    EXPECT_EQ("/Users/me/Documents/a b.pdf", Utf8(user->Get("G", "Plain")));
    EXPECT_FALSE(GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::cPathNameType));

    bool deleted = false;
    GPreferences::AddVariableSubstitution(GAutoPtr<GVariableSubstitution>(new HomeVariable(&deleted)));
    EXPECT_TRUE(GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::cPathNameType));
    GPreferences::Set(-3, "G", "Home", GPathName("/Users/me/Documents"));
    EXPECT_EQ("$HOME/Documents", Utf8(user->Get("G", "Home")));
    EXPECT_EQ("/Users/me/Documents", Utf8(GPreferences::GetPathName("G", "Home").GetCrossPlatformString()));
    GPathName path;
    GPreferences::Get("G", "Plain", path);
    EXPECT_EQ("/Users/me/Documents/a b.pdf", Utf8(path.GetCrossPlatformString()));

    GPreferences::Finalize();
    EXPECT_TRUE(deleted);
    GPreferences::Initialize();
    EXPECT_FALSE(GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::cPathNameType));
}

TEST_F(GPreferencesTest, DefaultsFillOnlyMissingKeysOfTheirModule)
{
    Install(0, {{"G", "Key", "custom"}});
    TestModule* user = Install(-3, {{"G", "Set", "kept"}});
    GPreferences::SetDefault(-3, "G", "Set", Text("default"));
    GPreferences::SetDefault(-3, "G", "Key", Text("default"));
    EXPECT_EQ("kept", Utf8(user->Get("G", "Set")));
    EXPECT_EQ("default", Utf8(user->Get("G", "Key"))) << "another module holding it does not count";
}

TEST_F(GPreferencesTest, ModulesByIdAnswerForThemselvesAndRemoveTheirValues)
{
    Install(0, {{"G", "Key", "custom"}, {"Other", "x", "1"}});
    Install(-3, {{"G", "Key", "user"}});
    EXPECT_EQ("user", Utf8(GPreferences::Get(-3, "G", "Key")));
    EXPECT_TRUE(GPreferences::Has(-3, "G", "Key"));
    EXPECT_FALSE(GPreferences::Has(-4, "G", "Key"));
    EXPECT_EQ(&GString::cEmptyString, &GPreferences::Get(-4, "G", "Key"));
    GTable<GBuffer> names;
    GPreferences::GetGroupNames(0, names);
    EXPECT_EQ(2, names.GetCount());

    GPreferences::Remove(0, "G", "Key");
    EXPECT_EQ("user", Utf8(GPreferences::Get("G", "Key")));
    GPreferences::Remove(0, "Other");
    EXPECT_FALSE(GPreferences::Has("Other", "x"));
    GPreferences::Remove(-4, "G"); // no such module
}

TEST_F(GPreferencesTest, TransactionsAndDirtinessSpanEveryModule)
{
    TestModule* custom = Install(0, {});
    TestModule* user = Install(-3, {});
    custom->FlushPrefs();
    user->FlushPrefs();
    EXPECT_FALSE(GPreferences::IsDirty());
    GPreferences::StartUsingTempModules();
    GPreferences::Set(0, "G", "a", Text("1"));
    GPreferences::Set(-3, "G", "b", Text("2"));
    GPreferences::SetIgnoreTemp(-3, "G", "c", Text("3"));
    EXPECT_TRUE(GPreferences::IsDirty());
    GPreferences::EndUsingTempModules(false);
    EXPECT_FALSE(GPreferences::Has("G", "a"));
    EXPECT_FALSE(GPreferences::Has("G", "b"));
    EXPECT_EQ("3", Utf8(GPreferences::Get("G", "c")));
    EXPECT_FALSE(custom->IsDirty());
    EXPECT_TRUE(user->IsDirty());
}

TEST_F(GPreferencesTest, UpdateHandsEachInstalledModuleTheValuesOfAnother)
{
    TestModule* user = Install(-3, {{"G", "Key", "old"}});
    TestModule source({{"G", "Key", "new"}, {"H", "x", "1"}});
    TestModule nobodys({{"G", "Key", "lost"}});
    GTable<GPair<int, GPrefModule const*>> updates;
    updates.AddItem(GPair<int, GPrefModule const*>(-3, &source));
    updates.AddItem(GPair<int, GPrefModule const*>(-4, &nobodys));
    GPreferences::UpdatePreferencesWith(updates);
    EXPECT_EQ("new", Utf8(user->Get("G", "Key")));
    EXPECT_EQ("1", Utf8(user->Get("H", "x")));
}

TEST_F(GPreferencesTest, EncodingReachesEveryModule)
{
    TestModule* custom = Install(0, {});
    TestModule* user = Install(-3, {});
    GPreferences::SetEncoding(GWinAnsiEncoding::GetInstance());
    EXPECT_EQ(static_cast<GEncoding*>(GWinAnsiEncoding::GetInstance()), GPreferences::GetEncoding());
    EXPECT_EQ(static_cast<GEncoding*>(GWinAnsiEncoding::GetInstance()), custom->GetEncoding());
    EXPECT_EQ(static_cast<GEncoding*>(GWinAnsiEncoding::GetInstance()), user->GetEncoding());
}

TEST_F(GPreferencesTest, RefreshAndFlushReachEveryModuleAndPassTheFirstFailureOn)
{
    TestModule* failing = Install(0, {});
    TestModule* user = Install(-3, {});
    failing->fFailWrites = true;
    GPreferences::Set(0, "G", "a", Text("1"));
    GPreferences::Set(-3, "G", "b", Text("2"));
    EXPECT_THROW(GPreferences::FlushPrefs(), GSimpleException);
    EXPECT_EQ(1, user->fWrites);
    EXPECT_FALSE(user->IsDirty());
    failing->fFailWrites = false;
    GPreferences::Set(-3, "G", "b", Text("unsaved"));
    GPreferences::Refresh();
    EXPECT_EQ("2", Utf8(GPreferences::Get("G", "b")));
}

// --- shared groups, continued ---

TEST_F(GPreferencesSharingTest, MarkingAGroupSharedCopiesWhatTheSharedModuleLacks)
{
    fUser->Set("Fresh", "Key", Text("user"));
    fUser->Set("Fresh", "Both", Text("user"));
    fShared->Set("Fresh", "Both", Text("shared"));
    TestModule* system = Install(-4, {{"Fresh", "SystemOnly", "system"}, {"Fresh", "Key", "system"}});
    GPreferences::SetPrefSharing(-3, "Fresh", true);
    EXPECT_EQ("true", Utf8(fUser->Get("PrefSharing", "Fresh")));
    EXPECT_EQ("user", Utf8(fShared->Get("Fresh", "Key")));
    EXPECT_EQ("shared", Utf8(fShared->Get("Fresh", "Both")));
    EXPECT_EQ("system", Utf8(fShared->Get("Fresh", "SystemOnly")));

    GPreferences::Set(-3, "Fresh", "Key", Text("changed"));
    EXPECT_EQ("changed", Utf8(fShared->Get("Fresh", "Key")));
    EXPECT_EQ("user", Utf8(fUser->Get("Fresh", "Key")));
    EXPECT_EQ("changed", Utf8(GPreferences::Get("Fresh", "Key")));
    EXPECT_EQ("user", Utf8(GPreferences::GetNonSharedPref("Fresh", "Key")));
    EXPECT_EQ("system", Utf8(system->Get("Fresh", "Key")));

    GPreferences::SetPrefSharing(-3, "Fresh", false);
    EXPECT_EQ("user", Utf8(GPreferences::Get("Fresh", "Key")));
}

TEST_F(GPreferencesSharingTest, RefreshCopiesEverySharedGroup)
{
    fUser->Set("Shared", "Late", Text("user"));
    fUser->FlushPrefs();
    fShared->FlushPrefs();
    EXPECT_FALSE(fShared->Has("Shared", "Late"));
    // Each module reads back its stored state, then the user module's shared group is copied.
    GPreferences::Refresh();
    EXPECT_EQ("user", Utf8(fShared->Get("Shared", "Late")));
    EXPECT_FALSE(fShared->Has("Capital", "Key"));
}

TEST_F(GPreferencesSharingTest, SetDefaultAsksTheModuleOfTheIdBeforeTheRedirection)
{
    GPreferences::SetDefault(-3, "Shared", "Key", Text("default"));
    EXPECT_EQ("shared", Utf8(fShared->Get("Shared", "Key"))) << "the user module has the key";
    GPreferences::SetDefault(-3, "Shared", "New", Text("default"));
    EXPECT_EQ("default", Utf8(fShared->Get("Shared", "New")));
    EXPECT_FALSE(fUser->Has("Shared", "New"));
}

// --- the default modules ---

TEST(GPreferencesDefaultModulesTest, MakesTheFileModulesInThePreferenceFolders)
{
    testsupport::TempFolder root("sendrix-default-prefs");
    FoundationStandInSetHomeDirectory((root / "home").c_str());
    FoundationStandInSetLocalDomainRoot((root / "local").c_str());
    GFileSystem::RemoveAllSpecialPaths();
    GPreferences::Initialize();
    GPreferences::SetDefaultModules(GString("Tool"), GPreferences::cUserModule | GPreferences::cSharedModule |
                                                         GPreferences::cSystemModule |
                                                         GPreferences::cMemoryModule);
    auto const fileOf = [](int id) -> std::string
    {
        GPrefModule* module = GPreferences::GetPrefModule(id);
        if (auto* file = dynamic_cast<GPrefFileModule*>(module))
            return Utf8(file->GetPathName().GetCrossPlatformString());
        if (auto* shared = dynamic_cast<GPrefSharedFileModule*>(module))
            return Utf8(shared->GetPathName().GetCrossPlatformString());
        return module ? "memory" : "none";
    };
    std::string const user = (root / "home/Library/Preferences/Zolvane Prefs Folder").string();
    std::string const system = (root / "local/Library/Preferences/Zolvane Prefs Folder").string();
    EXPECT_EQ(user + "/Zolvane.uprefs", fileOf(-2));
    EXPECT_EQ(user + "/Tool.uprefs", fileOf(-3));
    EXPECT_EQ(system + "/Tool.sprefs", fileOf(-4));
    EXPECT_EQ("memory", fileOf(-5));

    GPreferences::Set(-3, "G", "Key", Text("user"));
    GPreferences::SetPrefSharing(-3, "Together", true);
    GPreferences::Set(-3, "Together", "Key", Text("shared"));
    GPreferences::Finalize();
    EXPECT_TRUE(std::filesystem::exists(user + "/Tool.uprefs"));
    EXPECT_TRUE(std::filesystem::exists(user + "/Zolvane.uprefs"));
    EXPECT_TRUE(std::filesystem::exists(user + "/Zolvane.uprefslock"));
    EXPECT_FALSE(std::filesystem::exists(system + "/Tool.sprefs")) << "nothing was written to it";

    GPreferences::Initialize();
    GPreferences::SetDefaultModules(GString("Tool"), GPreferences::cUserModule | GPreferences::cSharedModule);
    EXPECT_EQ("user", Utf8(GPreferences::Get("G", "Key")));
    EXPECT_EQ("shared", Utf8(GPreferences::Get("Together", "Key")));
    EXPECT_FALSE(GPreferences::Has(-3, "Together", "Key"));
    GPreferences::Finalize();
    GFileSystem::RemoveAllSpecialPaths();
    FoundationStandInSetHomeDirectory(nullptr);
    FoundationStandInSetLocalDomainRoot(nullptr);
}
} // namespace
