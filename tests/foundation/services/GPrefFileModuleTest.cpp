// Preference files: the bytes on disk, what reads back, a write killed halfway, a damaged file kept
// as a backup, the file's mode and links, and the shared file's lock between processes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "FileTree.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GLockByFile.h"
#include "GPrefFileModule.h"
#include "GPrefSharedFileModule.h"
#include "GSimpleException.h"
#include "GUnicodeEncoding.h"
#include "OtherUser.h"
#include "StringText.h"
#include "TempFolder.h"

namespace fs = std::filesystem;
using testsupport::ChildProcess;
using testsupport::PathOf;
using testsupport::ReadFile;
using testsupport::TextOf;
using testsupport::Utf8Of;
using testsupport::WriteFile;

namespace
{
GBuffer Name(std::string const& text)
{
    return GBuffer(text.c_str());
}

std::string Utf16File(std::string const& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii)
    {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

std::string Value(GPrefModule const& module, char const* group, char const* key)
{
    return Utf8Of(module.Get(Name(group), Name(key)));
}

// A store of the given number of groups of 20 keys whose values all carry the version, so that a file
// read back tells which write it came from.
void FillVersion(GPrefModule& module, int version, int groups)
{
    for (int g = 0; g < groups; ++g)
        for (int k = 0; k < 20; ++k)
            module.Set(Name("Group" + std::to_string(g)), Name("Key" + std::to_string(k)),
                       TextOf("version " + std::to_string(version) + " of value " + std::to_string(k)));
}

// The version every value of the module holds; -1 when they differ or a value is missing.
int VersionOf(GPrefModule const& module, int groups)
{
    int version = -2;
    for (int g = 0; g < groups; ++g)
        for (int k = 0; k < 20; ++k)
        {
            std::string const value =
                Value(module, ("Group" + std::to_string(g)).c_str(), ("Key" + std::to_string(k)).c_str());
            std::string const suffix = " of value " + std::to_string(k);
            if (value.rfind("version ", 0) != 0 || value.size() <= suffix.size() ||
                value.compare(value.size() - suffix.size(), suffix.size(), suffix) != 0)
                return -1;
            int const found = std::stoi(value.substr(8));
            if (version != -2 && found != version)
                return -1;
            version = found;
        }
    return version;
}

class PrefFileTest : public ::testing::Test
{
protected:
    GPathName File(std::string const& name = "Plugin.pref") const { return PathOf(fRoot / name); }
    fs::path FsFile(std::string const& name = "Plugin.pref") const { return fRoot / name; }
    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        for (auto const& entry : fs::directory_iterator(fRoot.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    testsupport::TempFolder fRoot{"sendrix-prefs"};
};
} // namespace

TEST_F(PrefFileTest, MissingFileIsAnEmptyStoreAndACleanFlushWritesNothing)
{
    GPrefFileModule module(File(), GUnicodeEncoding::GetInstance());
    EXPECT_FALSE(module.IsDirty());
    EXPECT_FALSE(module.WasReadIncomplete());
    GTable<GBuffer> groups;
    module.GetGroupNames(groups);
    EXPECT_EQ(groups.GetCount(), 0);
    module.FlushPrefs();
    EXPECT_FALSE(fs::exists(FsFile()));
}

TEST_F(PrefFileTest, WritesUTF16WithTheMarkAndCarriageReturns)
{
    GPrefFileModule module(File(), GUnicodeEncoding::GetInstance());
    module.Set(Name("General"), Name("UnitV3"), GString("cm"));
    module.FlushPrefs();
    EXPECT_FALSE(module.IsDirty());
    EXPECT_EQ(
        ReadFile(FsFile()),
        Utf16File("#BEGINPREFS\r\r\"General\"\r#BEGINDICT\r\"UnitV3\" \"cm\"\r#ENDDICT\r\r#ENDPREFS\r"));
    EXPECT_EQ(Entries(), std::set<std::string>{"Plugin.pref"}) << "no temporary file is left";

    GPrefFileModule back(File(), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(Value(back, "General", "UnitV3"), "cm");
    GPrefFileModule detected(File(), nullptr);
    EXPECT_EQ(Value(detected, "General", "UnitV3"), "cm") << "the mark tells the encoding";
}

TEST_F(PrefFileTest, ReadsBackWhatItWroteAndRefreshDropsUnwrittenChanges)
{
    GPrefFileModule module(File("sub/Plugin.pref"), GUnicodeEncoding::GetInstance());
    FillVersion(module, 1, 3);
    module.Set(Name("Text"), Name("odd"), TextOf("a \"quoted\" \\ back\tslash \xE2\x82\xAC"));
    module.FlushPrefs();
    module.Set(Name("Text"), Name("odd"), GString("not written"));
    module.Refresh();
    EXPECT_FALSE(module.IsDirty());
    EXPECT_EQ(VersionOf(module, 3), 1);
    EXPECT_EQ(Value(module, "Text", "odd"), "a \"quoted\" \\ back\tslash \xE2\x82\xAC");
}

TEST_F(PrefFileTest, SaveAsWritesTheWholeStoreEvenWhenClean)
{
    GPrefFileModule module(File(), GUnicodeEncoding::GetInstance());
    FillVersion(module, 4, 2);
    module.FlushPrefs();
    module.SaveAs(File("Copy.pref"));
    EXPECT_EQ(module.GetPathName(), File("Copy.pref"));
    GPrefFileModule copy(File("Copy.pref"), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(VersionOf(copy, 2), 4);
}

TEST_F(PrefFileTest, ReplacingTheFileKeepsItsModeAndWritesThroughALink)
{
    WriteFile(FsFile("real.pref"), Utf16File("#BEGINPREFS\r#ENDPREFS\r"));
    fs::permissions(FsFile("real.pref"), fs::perms(0640));
    fs::create_symlink("real.pref", FsFile("link.pref"));
    GPrefFileModule module(File("link.pref"), GUnicodeEncoding::GetInstance());
    module.Set(Name("G"), Name("k"), GString("v"));
    module.FlushPrefs();
    EXPECT_TRUE(testsupport::IsLink(FsFile("link.pref")));
    EXPECT_EQ(testsupport::ModeOf(FsFile("real.pref")), 0640);
    GPrefFileModule back(File("real.pref"), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(Value(back, "G", "k"), "v");
}

TEST_F(PrefFileTest, AKilledWriterLeavesTheOldOrTheNewFileWhole)
{
    constexpr int cGroups = 200;
    {
        GPrefFileModule first(File(), GUnicodeEncoding::GetInstance());
        FillVersion(first, 0, cGroups);
        first.FlushPrefs();
    }
    GPathName const path = File();
    std::set<int> seen;
    for (int round = 0; round < 6; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        // The child writes new versions without pause until it is killed, at a moment after its
        // first write that moves from round to round.
        ChildProcess writer(
            [path, round](ChildProcess::Child const& child)
            {
                GPrefFileModule module(path, GUnicodeEncoding::GetInstance());
                for (int version = round * 1000 + 1;; ++version)
                {
                    FillVersion(module, version, cGroups);
                    module.FlushPrefs();
                    child.Tell('w');
                }
                return 0;
            });
        ASSERT_TRUE(writer.Started());
        ASSERT_EQ(writer.Await(), 'w');
        std::this_thread::sleep_for(std::chrono::microseconds(500 + round * 3700));
        writer.Kill();
        writer.Wait();

        GPrefFileModule read(path, GUnicodeEncoding::GetInstance());
        EXPECT_FALSE(read.WasReadIncomplete());
        int const version = VersionOf(read, cGroups);
        EXPECT_GE(version, 0) << "the file is one write, whole";
        seen.insert(version);
    }
    EXPECT_EQ(seen.count(0), 0u) << "every writer got a write done before it was killed";
    // What a killed writer leaves is one temporary file at most, which the next write takes over.
    for (std::string const& name : Entries())
        EXPECT_TRUE(name == "Plugin.pref" || name == ".Plugin.pref.tmp") << name;
}

TEST_F(PrefFileTest, AWriterKilledHalfwayThroughTheFileLeavesTheOldFileWhole)
{
    constexpr int cGroups = 100;
    {
        GPrefFileModule first(File(), GUnicodeEncoding::GetInstance());
        FillVersion(first, 0, cGroups);
        first.FlushPrefs();
    }
    auto const size = static_cast<rlim_t>(fs::file_size(FsFile()));
    GPathName const path = File();
    // The system kills the child (SIGXFSZ) when a write takes any file it writes past half the size
    // of the new text.
    ChildProcess writer(
        [path, size](ChildProcess::Child const&)
        {
            rlimit const limit{size / 2, size / 2};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 2;
            GPrefFileModule module(path, GUnicodeEncoding::GetInstance());
            FillVersion(module, 1, cGroups);
            module.FlushPrefs();
            return 0;
        });
    ASSERT_TRUE(writer.Started());
    EXPECT_EQ(writer.Wait(), -1) << "the child was to die in the middle of its write";

    GPrefFileModule read(path, GUnicodeEncoding::GetInstance());
    EXPECT_FALSE(read.WasReadIncomplete());
    EXPECT_EQ(VersionOf(read, cGroups), 0);
    EXPECT_EQ(static_cast<rlim_t>(fs::file_size(FsFile())), size);
}

TEST_F(PrefFileTest, ADamagedFileIsKeptAsABackupBeforeItIsReplaced)
{
    std::string const damaged = Utf16File("#BEGINPREFS\r\"Good\"\r#BEGINDICT\r\"k\" \"1\"\r#ENDDICT\r"
                                          "\"Broken\"\r#BEGINDICT\r\"k\" \"2\r") +
                                std::string("\x00\xD8\x41", 3);
    WriteFile(FsFile(), damaged);
    GPrefFileModule module(File(), GUnicodeEncoding::GetInstance());
    EXPECT_TRUE(module.WasReadIncomplete());
    EXPECT_EQ(Value(module, "Good", "k"), "1");
    EXPECT_FALSE(module.Has(Name("Broken"), Name("k")));

    module.Set(Name("Good"), Name("j"), GString("new"));
    module.FlushPrefs();
    EXPECT_EQ(ReadFile(FsFile("Plugin.pref.backup")), damaged);
    EXPECT_FALSE(module.WasReadIncomplete());
    GPrefFileModule back(File(), GUnicodeEncoding::GetInstance());
    EXPECT_FALSE(back.WasReadIncomplete());
    EXPECT_EQ(Value(back, "Good", "j"), "new");

    // A whole file needs no backup: the one kept stays as it was.
    module.Set(Name("Good"), Name("j"), GString("newer"));
    module.FlushPrefs();
    EXPECT_EQ(ReadFile(FsFile("Plugin.pref.backup")), damaged);
}

TEST_F(PrefFileTest, AFileThatCannotBeReadIsNeverReplaced)
{
    WriteFile(FsFile(), Utf16File("#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"secret\"\r#ENDDICT\r#ENDPREFS\r"));
    fs::permissions(FsFile(), fs::perms(0200));
    GPathName const path = File();
    EXPECT_TRUE(
        testsupport::RunsAsOtherUser(fRoot.Path(),
                                     [&path]
                                     {
                                         GPrefFileModule module(path, GUnicodeEncoding::GetInstance());
                                         if (!module.WasReadIncomplete() || module.Has(Name("G"), Name("k")))
                                             return false;
                                         module.Set(Name("G"), Name("k"), GString("other"));
                                         try
                                         {
                                             module.FlushPrefs();
                                         }
                                         catch (GException const&)
                                         {
                                             return module.IsDirty();
                                         }
                                         return false;
                                     }));
    fs::permissions(FsFile(), fs::perms(0600));
    GPrefFileModule back(File(), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(Value(back, "G", "k"), "secret");
}

TEST_F(PrefFileTest, AModuleWhoseReadFailedWritesNothingUntilAReadGoesThrough)
{
    // Another process writes the file just when this one reads it, so that the read fails for that
    // moment; what the module holds then is next to nothing of the file.
    struct Case
    {
        char const* fLabel;
        std::function<GPrefModule*(GPathName const&)> fMake;
    };
    Case const cases[] = {
        {"a file of the program's own", [](GPathName const& path)
         { return static_cast<GPrefModule*>(new GPrefFileModule(path, GUnicodeEncoding::GetInstance())); }},
        {"a shared file",
         [](GPathName const& path) {
             return static_cast<GPrefModule*>(
                 new GPrefSharedFileModule(path, GUnicodeEncoding::GetInstance()));
         }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        WriteFile(FsFile(),
                  Utf16File("#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"kept\"\r#ENDDICT\r#ENDPREFS\r"));
        std::string const before = ReadFile(FsFile());
        GPathName const path = File();
        std::unique_ptr<GPrefModule> module;
        {
            ChildProcess writer(
                [path](ChildProcess::Child const& parent)
                {
                    GFileOutStream out(path, false);
                    parent.Tell('W');
                    parent.Await();
                    return 0;
                });
            ASSERT_EQ(writer.Await(), 'W');
            module.reset(c.fMake(path));
            writer.Tell('q');
            EXPECT_EQ(writer.Wait(), 0);
        }
        EXPECT_FALSE(module->Has(Name("G"), Name("k")));
        module->Set(Name("G"), Name("j"), GString("new"));
        EXPECT_EQ(testsupport::ErrorOf([&] { module->FlushPrefs(); }), 40003);
        EXPECT_TRUE(module->IsDirty());
        EXPECT_EQ(ReadFile(FsFile()), before);

        // A read that goes through lets the module write again.
        module->Refresh();
        EXPECT_EQ(Value(*module, "G", "k"), "kept");
        module->Set(Name("G"), Name("j"), GString("new"));
        module->FlushPrefs();
        GPrefFileModule back(path, GUnicodeEncoding::GetInstance());
        EXPECT_EQ(Value(back, "G", "k"), "kept");
        EXPECT_EQ(Value(back, "G", "j"), "new");
    }
}

TEST_F(PrefFileTest, TheNewFileKeepsTheOldOnesAttributesOwnerAndGroup)
{
    WriteFile(FsFile(), Utf16File("#BEGINPREFS\r#ENDPREFS\r"));
    GPathName const path = File();
    // An attribute of another program, the Finder information (the hidden flag) and, where this
    // user may still replace a locked file, the lock; the owner and group where it may set them.
    ASSERT_EQ(setxattr(FsFile().c_str(), "user.sendrix-test.note", "kept", 4, 0), 0);
    GFileSystem::SetHidden(path, true);
    bool const superuser = geteuid() == 0;
    if (superuser)
    {
        ASSERT_EQ(chown(FsFile().c_str(), 12345, 23456), 0);
        GFileSystem::SetObjectLocked(path, true);
    }
    GPrefFileModule module(path, GUnicodeEncoding::GetInstance());
    module.Set(Name("G"), Name("k"), GString("v"));
    module.FlushPrefs();

    GPrefFileModule back(path, GUnicodeEncoding::GetInstance());
    EXPECT_EQ(Value(back, "G", "k"), "v") << "the file was replaced";
    char note[16] = {};
    EXPECT_EQ(getxattr(FsFile().c_str(), "user.sendrix-test.note", note, sizeof note), 4);
    EXPECT_STREQ(note, "kept");
    EXPECT_TRUE(GFileSystem::IsHidden(path));
    struct stat info;
    ASSERT_EQ(stat(FsFile().c_str(), &info), 0);
    if (superuser)
    {
        EXPECT_EQ(GFileSystem::GetObjectLocked(path), 2);
        EXPECT_EQ(info.st_uid, 12345u);
        EXPECT_EQ(info.st_gid, 23456u);
        GFileSystem::SetObjectLocked(path, false);
    }
    else
    {
        EXPECT_EQ(info.st_uid, geteuid());
    }
}

TEST_F(PrefFileTest, AFailedWriteLeavesTheOldFileAndTheModuleDirty)
{
    GPrefFileModule module(File(), GUnicodeEncoding::GetInstance());
    FillVersion(module, 1, 1);
    module.FlushPrefs();
    FillVersion(module, 2, 1);
    GPathName const path = File();
    fs::permissions(fRoot.Path(), fs::perms(0555));
    EXPECT_TRUE(testsupport::RunsAsOtherUser(fRoot.Path(),
                                             [&module]
                                             {
                                                 try
                                                 {
                                                     module.FlushPrefs();
                                                 }
                                                 catch (GException const&)
                                                 {
                                                     return module.IsDirty();
                                                 }
                                                 return false;
                                             }));
    fs::permissions(fRoot.Path(), fs::perms(0700));
    GPrefFileModule back(path, GUnicodeEncoding::GetInstance());
    EXPECT_EQ(VersionOf(back, 1), 1);
    EXPECT_EQ(Entries(), std::set<std::string>{"Plugin.pref"});
}

TEST_F(PrefFileTest, SharedFileIsLockedThroughAFileBesideIt)
{
    GPrefSharedFileModule module(File("Zolvane.uprefs"), GUnicodeEncoding::GetInstance());
    GPathName lock;
    module.GetLockPathName(lock);
    EXPECT_EQ(lock, File("Zolvane.uprefslock"));
    module.Set(Name("PrefSharing"), Name("General"), GString("true"));
    module.FlushPrefs();
    EXPECT_TRUE(fs::exists(FsFile("Zolvane.uprefslock")));
    EXPECT_EQ(ReadFile(FsFile("Zolvane.uprefs")).substr(0, 24), Utf16File("#BEGINPREFS\r").substr(0, 24));
    GPrefSharedFileModule back(File("Zolvane.uprefs"), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(Value(back, "PrefSharing", "General"), "true");
}

TEST_F(PrefFileTest, SharedFileWaitsForAnotherProcessHoldingTheLock)
{
    GPathName const path = File("Shared/Zolvane.uprefs");
    {
        GPrefSharedFileModule first(path, GUnicodeEncoding::GetInstance());
        first.Set(Name("G"), Name("k"), GString("first"));
        first.FlushPrefs();
    }
    GPathName const lock = File("Shared/Zolvane.uprefslock");
    for (bool reading : {true, false})
    {
        SCOPED_TRACE(reading ? "read" : "write");
        std::unique_ptr<GPrefSharedFileModule> writing;
        if (!reading)
        {
            writing = std::make_unique<GPrefSharedFileModule>(path, GUnicodeEncoding::GetInstance());
            writing->Set(Name("G"), Name("k"), GString("second"));
        }
        ChildProcess holder(
            [lock](ChildProcess::Child const& child)
            {
                GLockByFile held(lock, GLockFile::cExclusive, false);
                child.Tell(held.HasLock() ? 'L' : 'N');
                child.Await();
                return 0;
            });
        ASSERT_EQ(holder.Await(), 'L');
        std::atomic<bool> released{false};
        std::thread releaser(
            [&]
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                released = true;
                holder.Tell('g');
            });
        if (reading)
        {
            GPrefSharedFileModule module(path, GUnicodeEncoding::GetInstance());
            EXPECT_TRUE(released) << "read while another process held the lock";
            EXPECT_EQ(Value(module, "G", "k"), "first");
        }
        else
        {
            writing->FlushPrefs();
            EXPECT_TRUE(released) << "written while another process held the lock";
        }
        releaser.join();
        holder.Wait();
    }
}

TEST_F(PrefFileTest, SharedWriteReplacesWhatAnotherWroteUnlessRefreshedFirst)
{
    GPathName const path = File("Zolvane.uprefs");
    GPrefSharedFileModule one(path, GUnicodeEncoding::GetInstance());
    GPrefSharedFileModule two(path, GUnicodeEncoding::GetInstance());
    one.Set(Name("G"), Name("one"), GString("1"));
    one.FlushPrefs();
    two.Set(Name("G"), Name("two"), GString("2"));
    two.FlushPrefs();
    GPrefSharedFileModule after(path, GUnicodeEncoding::GetInstance());
    EXPECT_FALSE(after.Has(Name("G"), Name("one")));

    one.Refresh();
    one.Set(Name("G"), Name("one"), GString("1"));
    one.FlushPrefs();
    after.Refresh();
    EXPECT_EQ(Value(after, "G", "one"), "1");
    EXPECT_EQ(Value(after, "G", "two"), "2");
}
