// Preferences over a stack of memory modules: the store of one module, the order in which the stack
// is searched, installing and removing modules, shared groups, writes to missing modules, and the
// teardown that flushes and deletes.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "GBuffer.h"
#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

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
} // namespace
