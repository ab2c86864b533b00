// Tracing: the settings file in the debug folder decides per category which lines are written;
// lines have a fixed layout; the log file takes the first name not in use, only inside a folder
// that no one else can write into, never through a link; calls made while one is under way are
// dropped.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "FileTree.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GFileSystem.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GTrace.h"
#include "GTraceBlock.h"
#include "GTraceLock.h"
#include "OtherUser.h"
#include "TempFolder.h"

using testsupport::PathOf;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace
{
GCodeLocation const cHere = {"Src:GFoo.cpp", "Bar", 12};

class TraceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GFileSystem::AddSpecialPath(-6, PathOf(fCode / "TraceTest.dylib"));
        GFileSystem::AddSpecialPath(GFileSystem::cDebugFolderID, PathOf(fDebug.Path()));
    }
    void TearDown() override
    {
        GTrace::SetInstance(nullptr);
        GFileSystem::RemoveSpecialPath(-6);
        GFileSystem::RemoveSpecialPath(GFileSystem::cDebugFolderID);
    }

    // Settings of sections, each a name and its key and value pairs.
    void WriteSettings(std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> const&
                           sections)
    {
        std::string text = "#BEGINPREFS\r";
        for (auto const& [name, pairs] : sections)
        {
            text += "\"" + name + "\"\r#BEGINDICT\r";
            for (auto const& [key, value] : pairs)
                text += "\"" + key + "\" \"" + value + "\"\r";
            text += "#ENDDICT\r";
        }
        WriteFile(fDebug / "TraceTest.tpr", text + "#ENDPREFS\r");
    }

    // A trace writing into memory.
    GTrace* MemoryTrace()
    {
        fLog.SetLength(0);
        return new GTrace(GAutoPtr<GOutStream, GDeletePtr>(new GMemoryOutStream(fLog)));
    }
    std::string Log() const { return std::string(reinterpret_cast<char const*>(fLog.GetPtr()), fLog.GetLength()); }

    TempFolder fCode;
    TempFolder fDebug;
    GBuffer fLog;
};

TEST_F(TraceTest, WithoutSettingsNothingIsWrittenAndNoFileMade)
{
    GTrace trace;
    for (char const* category : {"Foo", "FooAS", "FooDE"})
    {
        SCOPED_TRACE(category);
        EXPECT_FALSE(trace.GetNeedsLogging(GBuffer(category)));
        EXPECT_FALSE(trace.GetAlertOnLog(GBuffer(category)));
        trace.Trace(GBuffer(category), cHere, "message");
    }
    EXPECT_TRUE(std::filesystem::is_empty(fDebug.Path()));
}

TEST_F(TraceTest, SectionsDecidePerCategoryOverTheDefaultsOfTheirKind)
{
    WriteSettings({{"Defaults", {{"Log", "true"}, {"LogLocation", "0"}, {"LogTime", "FALSE"}}},
                   {"FooDE", {{"Log", "1"}}},
                   {"QuietAS", {{"Assert", "TRUE"}}}});
    GTrace::SetInstance(MemoryTrace());
    GTrace& trace = *GTrace::GetInstance();
    for (char const* category : {"Bar", "FooDE", "BarDE", "BarAS", "QuietAS"})
        trace.Trace(GBuffer(category), cHere, (std::string("from ") + category).c_str());
    EXPECT_EQ(Log(), "\n *** Bar from Bar\n *** FooDE from FooDE");
    EXPECT_TRUE(trace.GetAlertOnLog(GBuffer("QuietAS")));
    EXPECT_FALSE(trace.GetAlertOnLog(GBuffer("BarAS")));
    EXPECT_EQ(GTrace::GetCatType(GBuffer("S")), GTrace::cLogCategory);
}

TEST_F(TraceTest, OnlyTheTrueAndFalseWordsChangeASetting)
{
    struct Case
    {
        char const* value;
        bool logs;
    };
    for (Case const& c : std::vector<Case>{{"yes", false}, {"True", true}, {"TRUE", true}, {"1", true}, {"", false}})
    {
        SCOPED_TRACE(c.value);
        WriteSettings({{"Defaults", {{"Log", c.value}}}});
        GTrace trace;
        EXPECT_EQ(trace.GetNeedsLogging(GBuffer("Foo")), c.logs);
    }
}

TEST_F(TraceTest, LinesCarryIndentPrefixLocationAndTime)
{
    WriteSettings({{"Defaults", {{"Log", "1"}, {"Indent", "ab"}, {"Prefix", "> "}}}});
    // The time format is the dates' built-in text; tests before may have emptied the pool.
    GBasicFrameworkCoreLayer::FinalizeStrings();
    GBasicFrameworkCoreLayer::InitializeStrings();
    GTrace::SetInstance(MemoryTrace());
    {
        GTraceBlock outer(GBuffer("Blk"), GBuffer("outer"), cHere);
        GTraceBlock inner(GBuffer("Blk"), GBuffer("inner"), cHere);
        GTrace::GetInstance()->Trace(GBuffer("Cat"), GCodeLocation{"/src/GFoo.cpp", nullptr, 3}, GBuffer("deep"));
    }
    std::regex const expected("\nabab> Cat /src/GFoo.cpp:3 \\d\\d:\\d\\d:\\d\\d deep"
                              "\nab> Blk GFoo.cpp:12@Bar \\d\\d:\\d\\d:\\d\\d Ending:inner"
                              "\n> Blk GFoo.cpp:12@Bar \\d\\d:\\d\\d:\\d\\d Ending:outer");
    EXPECT_TRUE(std::regex_match(Log(), expected)) << Log();
}

TEST(TraceLocationTest, LocationTextDropsTheFolderBeforeTheLastColon)
{
    struct Case
    {
        GCodeLocation location;
        char const* text;
    };
    for (Case const& c : std::vector<Case>{{{nullptr, nullptr, 7}, ":7"},
                                           {{"Src:GFoo.cpp", "Bar", 12}, "GFoo.cpp:12@Bar"},
                                           {{"/src/GFoo.cpp", "Bar", 12}, "/src/GFoo.cpp:12@Bar"}})
    {
        GBuffer out("x");
        GTrace::ComposeLocation(c.location, out);
        EXPECT_EQ(std::string(reinterpret_cast<char const*>(out.GetPtr())), std::string("x") + c.text);
    }
}

// A log stream that traces again while a line is written.
class ReenteringStream : public GOutStream
{
public:
    explicit ReenteringStream(GBuffer& target) : fTarget(target) {}
    int Write(GBuffer const& bytes) override
    {
        if (GTrace* trace = GTrace::GetInstance())
            trace->Trace(GBuffer("Inner"), cHere, "from the stream");
        fTarget += bytes;
        return bytes.GetLength();
    }

private:
    GBuffer& fTarget;
};

TEST_F(TraceTest, CallsMadeWhileATraceIsUnderWayAreDropped)
{
    WriteSettings({{"Defaults", {{"Log", "1"}, {"LogLocation", "0"}, {"LogTime", "0"}}}, {"Off", {{"Log", "0"}}}});
    GTrace::SetInstance(new GTrace(GAutoPtr<GOutStream, GDeletePtr>(new ReenteringStream(fLog))));
    GTrace& trace = *GTrace::GetInstance();
    trace.Trace(GBuffer("Outer"), cHere, "line");
    EXPECT_EQ(Log(), "\n *** Outer line");
    {
        GTraceLock lock;
        EXPECT_TRUE(lock.IsOutermost());
        trace.Trace(GBuffer("Locked"), cHere, "dropped");
    }
    EXPECT_EQ(Log(), "\n *** Outer line");

    GBuffer data("raw bytes");
    GMemoryInStream in(data);
    trace.TraceStreamData(&in, 3);
    EXPECT_EQ(Log(), "\n *** Outer lineraw");
    GBuffer first;
    EXPECT_EQ(in.Read(first, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(first.GetPtr()), 3), "raw");
    trace.Trace(GBuffer("Off"), cHere, "not written");
    trace.TraceStreamData(&in, 3);
    EXPECT_EQ(Log(), "\n *** Outer lineraw");
}

TEST_F(TraceTest, LogFileTakesTheFirstNameNotInUse)
{
    WriteSettings({{"Defaults", {{"Log", "1"}, {"LogLocation", "0"}, {"LogTime", "0"}}}});
    auto holder = [](std::filesystem::path const& file) {
        return [file](testsupport::ChildProcess::Child const& parent) {
            int descriptor = open(file.c_str(), O_RDWR | O_CREAT, 0600);
            struct flock lock = {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            if (descriptor < 0 || fcntl(descriptor, F_SETLK, &lock) != 0)
                return 1;
            parent.Tell('L');
            parent.Await();
            return 0;
        };
    };
    testsupport::ChildProcess plain(holder(fDebug / "TraceTest.tra"));
    ASSERT_EQ(plain.Await(), 'L');
    testsupport::ChildProcess first(holder(fDebug / "TraceTest (0).tra"));
    ASSERT_EQ(first.Await(), 'L');
    {
        GTrace trace;
        trace.Trace(GBuffer("Cat"), cHere, "to the free name");
    }
    plain.Tell('q');
    first.Tell('q');
    EXPECT_EQ(testsupport::ReadFile(fDebug / "TraceTest (1).tra"), "\n *** Cat to the free name");
    EXPECT_EQ(testsupport::ReadFile(fDebug / "TraceTest.tra"), "");
}

TEST_F(TraceTest, LogIsNeverWrittenThroughALinkNorIntoAFolderOthersCanWrite)
{
    WriteSettings({{"Defaults", {{"Log", "1"}, {"LogLocation", "0"}, {"LogTime", "0"}}}});
    WriteFile(fCode / "victim", "keep");
    std::filesystem::create_symlink(fCode / "victim", fDebug / "TraceTest.tra");
    {
        GTrace trace;
        trace.Trace(GBuffer("Cat"), cHere, "line");
    }
    EXPECT_EQ(testsupport::ReadFile(fCode / "victim"), "keep");
    EXPECT_TRUE(testsupport::IsLink(fDebug / "TraceTest.tra"));
    EXPECT_EQ(testsupport::ReadFile(fDebug / "TraceTest (1).tra"), "\n *** Cat line");

    TempFolder shared;
    chmod(shared.Path().c_str(), 0777);
    GFileSystem::AddSpecialPath(GFileSystem::cDebugFolderID, PathOf(shared.Path()));
    WriteFile(shared / "TraceTest.tpr", testsupport::ReadFile(fDebug / "TraceTest.tpr"));
    {
        // Its settings are not read there, and asked for its log, the trace makes no file there.
        GTrace trace;
        EXPECT_FALSE(trace.GetNeedsLogging(GBuffer("Cat")));
        trace.Trace(GBuffer("Cat"), cHere, "line");
        EXPECT_EQ(trace.GetStream(), nullptr);
    }
    EXPECT_FALSE(testsupport::Exists(shared / "TraceTest.tra"));
}

TEST_F(TraceTest, SettingsCountOnlyFromAFolderOfTheUsersOwnThatNoOneElseCanWrite)
{
    // Anyone may make the debug folder under "/tmp" and put settings in it.
    struct Case
    {
        char const* fLabel;
        mode_t fMode;
        bool fOtherOwner;
        bool fRead;
    };
    Case const cases[] = {
        {"the user's own, closed to others", 0700, false, true},
        {"the user's own, open to others to read", 0755, false, true},
        {"writable by everyone", 0777, false, false},
        {"writable by everyone, with the sticky bit of /tmp", 01777, false, false},
        {"writable by the group", 0770, false, false},
        {"another user's", 0755, true, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        TempFolder folder;
        WriteFile(folder / "TraceTest.tpr",
                  "#BEGINPREFS\r\"Defaults\"\r#BEGINDICT\r\"Log\" \"1\"\r#ENDDICT\r#ENDPREFS\r");
        chmod(folder.Path().c_str(), c.fMode);
        // Only the superuser can give a folder away.
        if (c.fOtherOwner && (geteuid() != 0 ||
                              lchown(folder.Path().c_str(), testsupport::cNobody, testsupport::cNobody) != 0))
            continue;
        GFileSystem::AddSpecialPath(GFileSystem::cDebugFolderID, PathOf(folder.Path()));
        GTrace trace;
        EXPECT_EQ(trace.GetNeedsLogging(GBuffer("Foo")), c.fRead);
    }
}

TEST_F(TraceTest, SettingsThatCannotBeReadLeaveTracingOffAndGoUnnoticed)
{
    struct Case
    {
        char const* fLabel;
        std::function<void()> fMake;
    };
    std::unique_ptr<testsupport::ChildProcess> holder;
    Case const cases[] = {
        {"a link that leads nowhere",
         [&] { std::filesystem::create_symlink(fCode / "missing", fDebug / "TraceTest.tpr"); }},
        {"a file another process is writing",
         [&]
         {
             WriteSettings({{"Defaults", {{"Log", "1"}}}});
             std::filesystem::path const file = fDebug / "TraceTest.tpr";
             holder = std::make_unique<testsupport::ChildProcess>(
                 [file](testsupport::ChildProcess::Child const& parent)
                 {
                     int const descriptor = open(file.c_str(), O_RDWR);
                     struct flock lock = {};
                     lock.l_type = F_WRLCK;
                     lock.l_whence = SEEK_SET;
                     if (descriptor < 0 || fcntl(descriptor, F_SETLK, &lock) != 0)
                         return 1;
                     parent.Tell('L');
                     parent.Await();
                     return 0;
                 });
             ASSERT_EQ(holder->Await(), 'L');
         }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        std::filesystem::remove(fDebug / "TraceTest.tpr");
        c.fMake();
        std::unique_ptr<GTrace> trace;
        EXPECT_NO_THROW(trace.reset(new GTrace));
        ASSERT_TRUE(trace);
        for (char const* category : {"Foo", "FooAS", "FooDE"})
            EXPECT_FALSE(trace->GetNeedsLogging(GBuffer(category))) << category;
        holder.reset();
    }
}

TEST_F(TraceTest, ADebugFolderTheTraceMakesIsClosedToEveryoneElse)
{
    // The settings are read, then the folder goes; the first line makes it again.
    std::filesystem::path const made = fDebug / "made";
    std::filesystem::create_directory(made, fDebug.Path());
    chmod(made.c_str(), 0700);
    GFileSystem::AddSpecialPath(GFileSystem::cDebugFolderID, PathOf(made));
    WriteFile(made / "TraceTest.tpr",
              "#BEGINPREFS\r\"Defaults\"\r#BEGINDICT\r\"Log\" \"1\"\r\"LogLocation\" \"0\"\r"
              "\"LogTime\" \"0\"\r#ENDDICT\r#ENDPREFS\r");
    mode_t const previous = umask(0);
    {
        GTrace trace;
        ASSERT_TRUE(trace.GetNeedsLogging(GBuffer("Cat")));
        std::filesystem::remove_all(made);
        trace.Trace(GBuffer("Cat"), cHere, "line");
    }
    umask(previous);
    struct stat info;
    ASSERT_EQ(lstat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(testsupport::ReadFile(made / "TraceTest.tra"), "\n *** Cat line");
}
} // namespace
