// The platform layer's counted start-up and shut-down: its services, the line end, the open-file
// limit, and the holders of the process- and system-information services.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

#include "GBufferSupport.h"
#include "GPlatformEncodingFactory.h"
#include "GProcessInfo.h"
#include "GSystemInfo.h"
#include "LineEndingScope.h"
#include "PMacXBasicFrameworkCoreLayer.h"
#include "macos/SysctlStandIn.h"

namespace
{
// The rest of the test program runs with the foundation up, the platform layer included. Each test
// starts with the layer down and ends by starting it again as often as the program had it.
class PlatformStartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fSavedCount = PMacXBasicFrameworkCoreLayer::GetInitializeCount();
        while (PMacXBasicFrameworkCoreLayer::GetInitializeCount() > 0)
            PMacXBasicFrameworkCoreLayer::Finalize();
    }
    void TearDown() override
    {
        while (PMacXBasicFrameworkCoreLayer::GetInitializeCount() > 0)
            PMacXBasicFrameworkCoreLayer::Finalize();
        GProcessInfo::SetInstance(nullptr);
        GSystemInfo::SetInstance(nullptr);
        for (std::int32_t i = 0; i < fSavedCount; ++i)
            PMacXBasicFrameworkCoreLayer::Initialize();
    }

    std::int32_t fSavedCount = 0;
};

struct Services
{
    GPlatformEncodingFactory* fEncodings;
    GProcessInfo* fProcesses;
    GSystemInfo* fSystem;

    static Services Installed()
    {
        return Services{GPlatformEncodingFactory::GetInstance(), GProcessInfo::GetInstance(),
                        GSystemInfo::GetInstance()};
    }
    bool AllNone() const { return !fEncodings && !fProcesses && !fSystem; }
    bool AllThere() const { return fEncodings && fProcesses && fSystem; }
    bool operator==(Services const& other) const
    {
        return fEncodings == other.fEncodings && fProcesses == other.fProcesses && fSystem == other.fSystem;
    }
};

// Counts its instances, so that a test sees a holder delete what it held.
template<class Base>
class Counted : public Base
{
public:
    explicit Counted(int& alive) : fAlive(alive) { ++fAlive; }
    ~Counted() override { --fAlive; }

private:
    int& fAlive;
};

class CountedProcessInfo : public Counted<GProcessInfo>
{
public:
    using Counted::Counted;
    void GetProcessID(GString const&, GTable<int>& ids, bool) const override { ids.Resize(0); }
    void GetProcessList(GTable<GString>& names, bool) const override { names.Resize(0); }
    int GetCurrentProcessID() const override { return 0; }
    bool IsRunning(int) const override { return false; }
    GTable<int> GetChildProcessIDs(int) const override { return GTable<int>(); }
};

class CountedSystemInfo : public Counted<GSystemInfo>
{
public:
    using Counted::Counted;
    void AddProcessorInfo(GString&) override {}
    void AddOSVersionInfo(GString&) override {}
    void AddMemoryInfo(GString&) override {}
    GPathName FindDLL(GPathName const&, GString const&) override { return GPathName(); }
    GString GetDLLVersion(GPathName const&) override { return GString(); }
    void GetMemoryInfo(MemoryInfo&) override {}
    int GetNumberOfProcessors() override { return 0; }
};
} // namespace

TEST_F(PlatformStartupTest, OnlyTheFirstStartUpAndTheLastShutDownAct)
{
    EXPECT_TRUE(PMacXBasicFrameworkCoreLayer::Initialize());
    Services const first = Services::Installed();
    EXPECT_TRUE(first.AllThere());
    EXPECT_TRUE(PMacXBasicFrameworkCoreLayer::Initialize());
    EXPECT_TRUE(Services::Installed() == first);
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 2);

    PMacXBasicFrameworkCoreLayer::Finalize();
    EXPECT_TRUE(Services::Installed() == first);
    PMacXBasicFrameworkCoreLayer::Finalize();
    EXPECT_TRUE(Services::Installed().AllNone());
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 0);

    // One shut-down too many changes nothing, and the next start-up starts afresh.
    int alive = 0;
    GProcessInfo::SetInstance(new CountedProcessInfo(alive));
    PMacXBasicFrameworkCoreLayer::Finalize();
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 0);
    EXPECT_EQ(alive, 1);
    EXPECT_TRUE(PMacXBasicFrameworkCoreLayer::Initialize());
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(PMacXBasicFrameworkCoreLayer::GetInitializeCount(), 1);
    EXPECT_TRUE(Services::Installed().AllThere());
}

TEST_F(PlatformStartupTest, StartsTheServicesAndTheCarriageReturnLineEnd)
{
    testsupport::LineEndingScope const lineFeeds(false, true);
    ASSERT_TRUE(PMacXBasicFrameworkCoreLayer::Initialize());
    EXPECT_TRUE(GBufferSupport::sLineEndingNeedsCR);
    EXPECT_FALSE(GBufferSupport::sLineEndingNeedsLF);
    EXPECT_EQ(GProcessInfo::GetInstance()->GetCurrentProcessID(), getpid());
    EXPECT_TRUE(GProcessInfo::GetInstance()->IsRunning(getpid()));
    EXPECT_GT(GSystemInfo::GetInstance()->GetNumberOfProcessors(), 0);
    EXPECT_NE(GPlatformEncodingFactory::GetInstance()->GetPlatformEncoding(), nullptr);
}

TEST_F(PlatformStartupTest, HoldersDeleteWhatTheyHeld)
{
    int processes = 0;
    int systems = 0;
    auto* firstProcesses = new CountedProcessInfo(processes);
    GProcessInfo::SetInstance(firstProcesses);
    GProcessInfo::SetInstance(firstProcesses);
    EXPECT_EQ(processes, 1);
    GProcessInfo::SetInstance(new CountedProcessInfo(processes));
    EXPECT_EQ(processes, 1);
    GSystemInfo::SetInstance(new CountedSystemInfo(systems));
    GSystemInfo::SetInstance(new CountedSystemInfo(systems));
    EXPECT_EQ(systems, 1);
    GProcessInfo::SetInstance(nullptr);
    GSystemInfo::SetInstance(nullptr);
    EXPECT_EQ(processes, 0);
    EXPECT_EQ(systems, 0);
    EXPECT_EQ(GProcessInfo::GetInstance(), nullptr);
    EXPECT_EQ(GSystemInfo::GetInstance(), nullptr);
}

// Limits cannot always be raised again once lowered, so each case runs in a process of its own.
TEST_F(PlatformStartupTest, RaisesTheOpenFileLimitToTheSystemsCeilingWhenItMay)
{
    rlimit current{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &current), 0);
    ASSERT_GT(current.rlim_max, 512u);
    struct Case
    {
        char const* fName;
        std::optional<std::int32_t> fCeiling; // none: the query fails
        rlim_t fHardLimit;
        std::int32_t fRecorded;
        rlim_t fSoftAfter;
    };
    rlim_t const hard = current.rlim_max;
    Case const cases[] = {
        {"ceiling below the hard limit", static_cast<std::int32_t>(hard - 100), hard,
         static_cast<std::int32_t>(hard - 100), hard - 100},
        {"ceiling at the hard limit", static_cast<std::int32_t>(hard), hard, static_cast<std::int32_t>(hard),
         hard},
        {"hard limit below the ceiling", static_cast<std::int32_t>(hard), 256, 0, 128},
        {"ceiling unknown", std::nullopt, hard, 0, 128},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        auto const startUp = [&c]
        {
            rlimit const start{128, c.fHardLimit};
            if (setrlimit(RLIMIT_NOFILE, &start) != 0)
                std::_Exit(2);
            if (c.fCeiling)
                SysctlStandInSetValue("kern.maxfilesperproc", &*c.fCeiling, sizeof *c.fCeiling);
            else
                SysctlStandInSetUnknown("kern.maxfilesperproc");
            bool const started = PMacXBasicFrameworkCoreLayer::Initialize();
            rlimit after{};
            getrlimit(RLIMIT_NOFILE, &after);
            bool const ok = started &&
                            PMacXBasicFrameworkCoreLayer::GetMaxFilesOpenForThisProcess() == c.fRecorded &&
                            after.rlim_cur == c.fSoftAfter && after.rlim_max == c.fHardLimit;
            std::_Exit(ok ? 0 : 1);
        };
        EXPECT_EXIT(startUp(), ::testing::ExitedWithCode(0), "");
    }
}

TEST_F(PlatformStartupTest, ReadsTheCeilingFromTheSystem)
{
    int name[2] = {CTL_KERN, KERN_MAXFILESPERPROC};
    std::int32_t ceiling = 0;
    std::size_t size = sizeof ceiling;
    ASSERT_EQ(sysctl(name, 2, &ceiling, &size, nullptr, 0), 0);
    EXPECT_EQ(size, sizeof ceiling);
    EXPECT_GE(ceiling, 1024);
}
