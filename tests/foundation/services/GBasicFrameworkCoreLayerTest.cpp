// The counted start-up of the foundation: however many callers start it, it comes up once and
// goes down once; a stop without a start tears nothing down; a start that fails half-way leaves
// nothing behind; the framework's English table is there after every start.
#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <string>
#include <sys/stat.h>
#include <thread>

#include "FileTree.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GBasicSignals.h"
#include "GException.h"
#include "GFileSystem.h"
#include "GIdleTimeClient.h"
#include "GIdleTimeManager.h"
#include "GLanguageInfoCache.h"
#include "GPrefModule.h"
#include "GPreferences.h"
#include "GProcessInfo.h"
#include "GProgressCenter.h"
#include "GStringPool.h"
#include "GTrace.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "HelperProcess.h"
#include "OtherUser.h"
#include "PMacXBasicFrameworkCoreLayer.h"
#include "StringPoolTestSupport.h"
#include "TempFolder.h"

namespace
{
// What the start-up makes, as pointers: equal pointers mean the same objects.
struct Singletons
{
    void* fUnicode;
    void* fWinAnsi;
    void* fProgress;
    void* fTrace;
    void* fIdleTime;
    void* fLanguages;
    void* fProcesses;

    static Singletons Now()
    {
        return Singletons{GUnicodeEncoding::GetInstance(), GWinAnsiEncoding::GetInstance(),
                          GProgressCenter::GetInstance(),  GTrace::GetInstance(),
                          GIdleTimeManager::GetInstance(), GLanguageInfoCache::GetInstance(),
                          GProcessInfo::GetInstance()};
    }
    bool AllThere() const
    {
        return fUnicode && fWinAnsi && fProgress && fTrace && fIdleTime && fLanguages && fProcesses;
    }
    bool AllNone() const
    {
        return !fUnicode && !fWinAnsi && !fProgress && !fTrace && !fIdleTime && !fLanguages && !fProcesses;
    }
    bool operator==(Singletons const& o) const
    {
        return fUnicode == o.fUnicode && fWinAnsi == o.fWinAnsi && fProgress == o.fProgress && fTrace == o.fTrace &&
               fIdleTime == o.fIdleTime && fLanguages == o.fLanguages && fProcesses == o.fProcesses;
    }
};

// Each test starts with the foundation down and ends with it up as often as the program had it.
class FrameworkCoreLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fSavedCount = GBasicFrameworkCoreLayer::GetInitializeCount();
        while (GBasicFrameworkCoreLayer::GetInitializeCount() > 0)
            GBasicFrameworkCoreLayer::Finalize();
    }
    void TearDown() override
    {
        while (GBasicFrameworkCoreLayer::GetInitializeCount() > 0)
            GBasicFrameworkCoreLayer::Finalize();
        for (int i = 0; i < fSavedCount; ++i)
            GBasicFrameworkCoreLayer::Initialize();
    }

    int fSavedCount = 0;
};

TEST_F(FrameworkCoreLayerTest, ThreeStartsAndThreeStopsComeUpOnceAndGoDownOnce)
{
    ASSERT_TRUE(Singletons::Now().AllNone());
    EXPECT_TRUE(GBasicFrameworkCoreLayer::Initialize());
    Singletons const up = Singletons::Now();
    EXPECT_TRUE(up.AllThere());
    EXPECT_TRUE(GBasicFrameworkCoreLayer::Initialize());
    {
        GBasicFrameworkCoreLayer scope;
        EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), 3);
        EXPECT_TRUE(Singletons::Now() == up);
    }
    EXPECT_TRUE(Singletons::Now() == up);
    GBasicFrameworkCoreLayer::Finalize();
    EXPECT_TRUE(Singletons::Now() == up);
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 1);
    GBasicFrameworkCoreLayer::Finalize();
    EXPECT_TRUE(Singletons::Now().AllNone());
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 0);
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), 0);
}

TEST_F(FrameworkCoreLayerTest, StopWithoutStartTearsNothingDownAndCountsNothing)
{
    GBasicFrameworkCoreLayer::Finalize();
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), 0);
    EXPECT_TRUE(GBasicFrameworkCoreLayer::Initialize());
    EXPECT_TRUE(Singletons::Now().AllThere());
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), 1);
}

TEST_F(FrameworkCoreLayerTest, EveryStartRegistersTheEnglishTableAfresh)
{
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        GBasicFrameworkCoreLayer::Initialize();
        EXPECT_EQ(stringpooltest::Utf8(GStringPool::GetString(921032)), "English");
        EXPECT_EQ(stringpooltest::Utf8(GStringPool::GetString(921033)), "English");
        // The exception messages are registered too.
        EXPECT_FALSE(GStringPool::GetString(40010).IsEmpty());
        GBasicFrameworkCoreLayer::Finalize();
        EXPECT_TRUE(GStringPool::GetString(921032).IsEmpty());
    }
}

#ifdef MEMORY_FAILURE_CHILD
TEST(FrameworkCoreLayerStartTest, StartThatFailsHalfWayLeavesNothingBehind)
{
    // In a helper: the start runs over and over with one allocation after another failing, from
    // the platform layer's first on.
    auto const [status, output] = testsupport::RunHelper(MEMORY_FAILURE_CHILD, "start-up");
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("starts met a refused allocation"), std::string::npos) << output;
}
#endif

TEST_F(FrameworkCoreLayerTest, TraceSettingsThatCannotBeReadLeaveTracingOffAndTheStartGoesOn)
{
    testsupport::TempFolder debug;
    testsupport::WriteFile(debug / "Broken.tpr",
                           "#BEGINPREFS\r\"Defaults\"\r#BEGINDICT\r\"Log\" \"1\"\r#ENDDICT\r#ENDPREFS\r");
    chmod((debug / "Broken.tpr").c_str(), 0);
    EXPECT_TRUE(testsupport::RunsAsOtherUser(debug.Path(), [&] {
        // The paths are made while the foundation is up and registered after the shut-down that
        // forgets the registered paths; their texts keep the encodings they were made in.
        GBasicFrameworkCoreLayer::Initialize();
        GPathName const code = testsupport::PathOf(debug / "Broken.dylib");
        GPathName const folder = testsupport::PathOf(debug.Path());
        GBasicFrameworkCoreLayer::Finalize();
        GFileSystem::AddSpecialPath(-6, code);
        GFileSystem::AddSpecialPath(GFileSystem::cDebugFolderID, folder);
        bool started = false;
        try
        {
            started = GBasicFrameworkCoreLayer::Initialize();
        }
        catch (GException const&)
        {
            return false;
        }
        return started && Singletons::Now().AllThere() &&
               !GTrace::GetInstance()->GetNeedsLogging(GBuffer("Foo"));
    }));
}

// Preferences whose flush fails with the runtime's std::bad_alloc, no exception of the framework.
struct ModuleThatCannotBeWritten : GPrefModule
{
    void ReadDict() override {}
    void WriteDict() override { throw std::bad_alloc(); }
};

TEST_F(FrameworkCoreLayerTest, AStepThatThrowsAnythingLeavesTheRestOfTheShutDownToRun)
{
    ASSERT_TRUE(GBasicFrameworkCoreLayer::Initialize());
    GPreferences::SetPrefModule(7, new ModuleThatCannotBeWritten, true);
    EXPECT_NO_THROW(GBasicFrameworkCoreLayer::Finalize());
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), 0);
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 0);
    EXPECT_TRUE(Singletons::Now().AllNone());
    EXPECT_EQ(GPreferences::GetPrefModule(7), nullptr);
    // And the foundation starts again as from new.
    EXPECT_TRUE(GBasicFrameworkCoreLayer::Initialize());
    EXPECT_TRUE(Singletons::Now().AllThere());
    EXPECT_EQ(stringpooltest::Utf8(GStringPool::GetString(921032)), "English");
}

struct CountingClient : GIdleTimeClient
{
    bool DoIdleTime() override
    {
        ++fTurns;
        return true;
    }
    int fTurns = 0;
};

TEST(BasicSignalsTest, RepeaterTimeReachesTheIdleTimeClients)
{
    GBasicSignals::DevoteTimeToIdlers();
    CountingClient client;
    GIdleTimeManager* manager = GIdleTimeManager::GetInstance();
    ASSERT_NE(manager, nullptr);
    manager->RegisterClient(&client);
    // Within the minimum interval of the subscription nothing runs; a run comes after it.
    GBasicSignals::DevoteTimeToRepeaters();
    EXPECT_EQ(client.fTurns, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(260));
    GBasicSignals::DevoteTimeToRepeaters();
    EXPECT_GT(client.fTurns, 0);
    manager->UnRegisterClient(&client);
}
} // namespace
