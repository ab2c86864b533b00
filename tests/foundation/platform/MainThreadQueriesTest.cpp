// System queries and alias resolution asked from another thread: the platform answers them on the
// main thread, through its run loop.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "MainRunLoop.h"
#include "PMacPathNameImpBase.h"
#include "PSystem.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/CoreServicesStandIn.h"
#include "macos/FileManagerStandIn.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::ServeMainRunLoopUntil;
using testsupport::TextOf;
using testsupport::Utf8Of;

// Runs the query on a second thread while this (main) thread serves its run loop, and answers how
// many times the loop performed the calls sent to it; -1 when the query never came back.
int AskFromSecondThread(std::function<void()> const& query)
{
    std::atomic<bool> answered{false};
    std::thread asker(
        [&]
        {
            query();
            answered = true;
        });
    int performed = 0;
    bool const served = ServeMainRunLoopUntil([&] { return answered.load(); }, &performed);
    asker.join();
    return served ? performed : -1;
}

class MainThreadQueriesTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        CSStandInUseSystemNames();
        GestaltStandInSetValue(gestaltSystemVersionMajor, nullptr);
        GestaltStandInSetValue(gestaltSystemVersionMinor, nullptr);
    }
};

CFStringRef MakeString(char const* utf8)
{
    return CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
}
} // namespace

TEST_F(MainThreadQueriesTest, NamesAskedFromAnotherThreadAreAnsweredThroughTheMainRunLoop)
{
    CFStringRef const machine = MakeString("Büro-Mac");
    CFStringRef const user = MakeString("Jana Novák");
    CSStandInSetMachineName(machine);
    CSStandInSetUserName(user);
    CFRelease(machine);
    CFRelease(user);

    GString network;
    GString display;
    bool networkFound = false;
    bool displayFound = false;
    EXPECT_GE(AskFromSecondThread([&] { networkFound = PSystem::GetNetworkName(network); }), 1);
    EXPECT_GE(AskFromSecondThread([&] { displayFound = PSystem::GetDisplayName(display); }), 1);
    EXPECT_TRUE(networkFound);
    EXPECT_TRUE(displayFound);
    EXPECT_EQ(Utf8Of(network), "Büro-Mac");
    EXPECT_EQ(Utf8Of(display), "Jana Novák");
}

TEST_F(MainThreadQueriesTest, TheSystemVersionAskedFromAnotherThreadIsAnsweredThroughTheMainRunLoop)
{
    // A version that is not cached: every question reaches Gestalt.
    SInt32 const major = 12;
    GestaltStandInSetValue(gestaltSystemVersionMajor, &major);
    int code = -1;
    EXPECT_GE(AskFromSecondThread([&] { code = PSystem::GetOSCode(); }), 1);
    EXPECT_EQ(code, 0);
}

TEST_F(MainThreadQueriesTest, AKnownSystemVersionAskedFromAnotherThreadIsCached)
{
    // The code stays cached for the life of the process: a process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto const ask = []
    {
        SInt32 const major = 10;
        SInt32 const minor = 15;
        GestaltStandInSetValue(gestaltSystemVersionMajor, &major);
        GestaltStandInSetValue(gestaltSystemVersionMinor, &minor);
        int first = 0;
        int second = 0;
        int const performed = AskFromSecondThread([&] { first = PSystem::GetOSCode(); });
        // Another version now: a second question that reached the system would answer it.
        SInt32 const later = 14;
        GestaltStandInSetValue(gestaltSystemVersionMinor, &later);
        AskFromSecondThread([&] { second = PSystem::GetOSCode(); });
        std::_Exit(performed >= 1 && first == 6016 && second == 6016 ? 0 : 1);
    };
    EXPECT_EXIT(ask(), ::testing::ExitedWithCode(0), "");
}

TEST_F(MainThreadQueriesTest, AliasesOnAPathAreResolvedThroughTheMainRunLoop)
{
    testsupport::TempFolder files{"sendrix-aliases"};
    fs::create_directory(files / "target");
    std::ofstream(files / "target" / "f.txt") << "x";
    fs::create_directory_symlink(files / "target", files / "alias");

    FSRef ref;
    short status = -1;
    EXPECT_GE(AskFromSecondThread(
                  [&] {
                      status = PMacPathNameImpBase::MakeFSRefFromMachOPath(
                          TextOf((files / "alias/f.txt").string()), ref);
                  }),
              1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ref.fPath, (files / "target" / "f.txt").string());

    // A missing component reports its error the same way from another thread.
    EXPECT_GE(AskFromSecondThread(
                  [&] {
                      status = PMacPathNameImpBase::MakeFSRefFromMachOPath(
                          TextOf((files / "alias/none.txt").string()), ref);
                  }),
              1);
    EXPECT_EQ(status, fnfErr);
}
