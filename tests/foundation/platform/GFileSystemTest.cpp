// The file-system facade and its macOS implementation on real trees: existence, creation, removal,
// moves, copies, renames, permissions, locks, file kinds and the error mapping.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "ErrorOf.h"
#include "FileSystemFixture.h"
#include "FileTree.h"
#include "GException.h"
#include "GFileInStream.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GFileType.h"
#include "GSimpleException.h"
#include "GStringPool.h"
#include "OtherUser.h"
#include "StringText.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::ErrorOf;
using testsupport::Exists;
using testsupport::FsPathOf;
using testsupport::IsLink;
using testsupport::ModeOf;
using testsupport::PathOf;
using testsupport::ReadFile;
using testsupport::Utf8Of;
using testsupport::WriteFile;

using GFileSystemTest = FileSystemFixture;
} // namespace

// --- the facade's own rules ---

TEST_F(GFileSystemTest, RefusesRelativePaths)
{
    GPathName const relative("a/b");
    GPathName mutableRelative("a/b");
    GPathName out;
    struct Case
    {
        char const* fName;
        std::function<void()> fCall;
    };
    Case const cases[] = {
        {"FolderExists", [&] { GFileSystem::FolderExists(relative); }},
        {"FileExists", [&] { GFileSystem::FileExists(relative); }},
        {"CreateFolder", [&] { GFileSystem::CreateFolder(relative); }},
        {"CreateFile", [&] { GFileSystem::CreateFile(relative); }},
        {"RemoveFile", [&] { GFileSystem::RemoveFile(relative); }},
        {"RemoveFolder", [&] { GFileSystem::RemoveFolder(relative, -1, 10); }},
        {"MoveFileTo", [&] { GFileSystem::MoveFileTo(At("x"), relative, out, false); }},
        {"CopyFileTo", [&] { GFileSystem::CopyFileTo(relative, At("x"), out, false); }},
        {"RenameFile", [&] { GFileSystem::RenameFile(mutableRelative, GString("c"), nullptr, false); }},
        {"GetObjectLocked", [&] { GFileSystem::GetObjectLocked(relative); }},
        {"CreateUniqueFile", [&] { GFileSystem::CreateUniqueFile(relative, out, nullptr, false); }},
        {"CopyFolderTo", [&] { GFileSystem::CopyFolderTo(At("x"), relative, out, false); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        EXPECT_EQ(ErrorOf(c.fCall), 40068);
    }
    EXPECT_FALSE(GFileSystem::TryFileExists(relative));
    EXPECT_FALSE(GFileSystem::TryFolderExists(relative));
    EXPECT_FALSE(GFileSystem::TryToRemoveFile(relative));
    EXPECT_FALSE(GFileSystem::TryToRemoveFolder(relative, -1, 10));
    EXPECT_FALSE(GFileSystem::TryMoveFileToTrash(relative));
}

TEST_F(GFileSystemTest, TryFormsAnswerFalseInsteadOfThrowing)
{
    WriteFile(Fs("file"));
    fs::create_directory(Fs("folder"));
    EXPECT_TRUE(GFileSystem::TryFileExists(At("file")));
    EXPECT_TRUE(GFileSystem::TryFolderExists(At("folder")));
    EXPECT_FALSE(GFileSystem::TryToRemoveFile(At("folder"))) << "a folder where a file is expected throws 40032";
    EXPECT_TRUE(Exists(Fs("folder")));
    EXPECT_TRUE(GFileSystem::TryToRemoveFile(At("file")));
    EXPECT_FALSE(Exists(Fs("file")));
}

// --- existence ---

TEST_F(GFileSystemTest, TellsFilesFromFoldersAndBrokenAliases)
{
    WriteFile(Fs("file"));
    fs::create_directory(Fs("folder"));
    fs::create_directory_symlink(Fs("folder"), Fs("folder alias"));
    fs::create_symlink(Fs("file"), Fs("file alias"));
    fs::create_symlink(Fs("gone"), Fs("broken"));
    struct Case
    {
        char const* fName;
        bool fFile;
        bool fFolder;
        bool fAlias;
    };
    Case const cases[] = {
        {"file", true, false, false},         {"folder", false, true, false},
        {"folder alias", false, true, true},  {"file alias", true, false, true},
        {"broken", true, false, true},        {"missing", false, false, false},
        {"folder alias/inside", false, false, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        EXPECT_EQ(GFileSystem::FileExists(At(c.fName)), c.fFile);
        EXPECT_EQ(GFileSystem::FolderExists(At(c.fName)), c.fFolder);
        if (c.fFile || c.fFolder)
        {
            EXPECT_EQ(GFileSystem::IsAlias(At(c.fName)), c.fAlias);
        }
    }
    GPathName target;
    EXPECT_TRUE(GFileSystem::AliasHasTarget(At("folder alias"), target));
    EXPECT_EQ(target, At("folder"));
    EXPECT_FALSE(GFileSystem::AliasHasTarget(At("broken"), target));
    EXPECT_TRUE(GFileSystem::GetAliasTarget(At("folder alias"), target));
    EXPECT_FALSE(GFileSystem::GetAliasTarget(At("file"), target));
    EXPECT_EQ(target, At("file"));
}

TEST_F(GFileSystemTest, TellsWhetherTwoPathsNameOneObject)
{
    WriteFile(Fs("a"));
    WriteFile(Fs("b"));
    fs::create_symlink(Fs("a"), Fs("link"));
    EXPECT_TRUE(GFileSystem::IsSameFileOrFolder(At("a"), At("link"), false));
    EXPECT_FALSE(GFileSystem::IsSameFileOrFolder(At("a"), At("link"), true));
    EXPECT_FALSE(GFileSystem::IsSameFileOrFolder(At("a"), At("b"), false));
    EXPECT_FALSE(GFileSystem::IsSameFileOrFolder(At("a"), At("missing"), false));
}

TEST_F(GFileSystemTest, LeavesBeginningWithADotAreHidden)
{
    WriteFile(Fs(".profile"));
    WriteFile(Fs("visible"));
    EXPECT_TRUE(GFileSystem::IsHidden(At(".profile")));
    EXPECT_FALSE(GFileSystem::IsHidden(At("visible")));
    GFileSystem::SetHidden(At("visible"), true);
    EXPECT_TRUE(GFileSystem::IsHidden(At("visible")));
    GFileSystem::SetHidden(At("visible"), false);
    EXPECT_FALSE(GFileSystem::IsHidden(At("visible")));
}

// --- creation ---

TEST_F(GFileSystemTest, CreatesFoldersAndFilesWithTheirWholeChainAndFullModes)
{
    mode_t const previous = umask(077);
    EXPECT_TRUE(GFileSystem::CreateFolder(At("a/b/c")));
    EXPECT_TRUE(GFileSystem::CreateFile(At("x/y/z.txt")));
    umask(previous);
    EXPECT_TRUE(fs::is_directory(Fs("a/b/c")));
    EXPECT_EQ(ModeOf(Fs("a/b/c")), 0777);
    EXPECT_EQ(ModeOf(Fs("a/b")), 0777);
    EXPECT_EQ(ModeOf(Fs("x/y/z.txt")), 0666);

    fs::permissions(Fs("a/b/c"), fs::perms(0700));
    EXPECT_FALSE(GFileSystem::CreateFolder(At("a/b/c")));
    EXPECT_EQ(ModeOf(Fs("a/b/c")), 0700) << "an existing folder keeps its permissions";
    EXPECT_FALSE(GFileSystem::CreateFile(At("x/y/z.txt")));
    EXPECT_FALSE(GFileSystem::CreateFolder(GPathName("/")));
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CreateFolder(At("x/y/z.txt")); }), 40015);
}

TEST_F(GFileSystemTest, APathEndingInDoubledSlashesNamesTheFolderBeforeThem)
{
    // A folder typed as ".../Out//" is kept as ".../Out/"; whatever makes folders on the way makes
    // Out and what is missing above it, once, and comes back.
    WriteFile(Fs("a.txt"), "moved");
    WriteFile(Fs("b.txt"), "copied");
    GPathName result;
    GPathName unique;
    struct Case
    {
        char const* fLabel;
        std::function<void()> fCall;
        char const* fFolder;
    };
    Case const cases[] = {
        {"CreateFolder", [&] { EXPECT_TRUE(GFileSystem::CreateFolder(At("Out//"))); }, "Out"},
        {"CreateFolder of a chain", [&] { EXPECT_TRUE(GFileSystem::CreateFolder(At("deep/er//"))); },
         "deep/er"},
        {"CreateFile", [&] { EXPECT_TRUE(GFileSystem::CreateFile(At("files//inner//f.txt"))); },
         "files/inner"},
        {"CreateUniqueFolder", [&] { GFileSystem::CreateUniqueFolder(At("unique//x_XX"), unique); },
         "unique"},
        {"MoveFileTo", [&] { GFileSystem::MoveFileTo(At("a.txt"), At("moved//"), result, false); }, "moved"},
        {"CopyFileTo", [&] { GFileSystem::CopyFileTo(At("b.txt"), At("copies//"), result, false); },
         "copies"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        c.fCall();
        EXPECT_TRUE(fs::is_directory(Fs(c.fFolder)));
        EXPECT_EQ(ModeOf(Fs(c.fFolder)), 0777);
    }
    EXPECT_TRUE(fs::is_regular_file(Fs("files/inner/f.txt")));
    EXPECT_TRUE(fs::is_directory(FsPathOf(unique)));
    EXPECT_EQ(ReadFile(Fs("moved/a.txt")), "moved");
    EXPECT_EQ(ReadFile(Fs("copies/b.txt")), "copied");
    EXPECT_FALSE(GFileSystem::CreateFolder(At("Out//"))) << "made before";
    // A file's path with a slash after it names the file.
    EXPECT_TRUE(GFileSystem::CreateFile(At("plain//")));
    EXPECT_TRUE(fs::is_regular_file(Fs("plain")));
}

TEST_F(GFileSystemTest, APathWithAZeroCharacterIsRefusedBeforeTheSystemSeesIt)
{
    // The system's calls end a path at its first zero byte: "victim" and a zero and ".bak" would
    // name "victim". Such a path is refused with the path error, in whichever form its text is kept.
    WriteFile(Fs("victim"), "keep");
    fs::create_directory(Fs("folder"));
    WriteFile(Fs("folder/inside"), "keep too");
    fs::permissions(Fs("victim"), fs::perms(0644));
    auto const poisoned = [&](std::string const& place, std::string const& tail, bool utf16)
    {
        std::string const bytes = Fs(place).string() + std::string(1, '\0') + tail;
        return utf16 ? GPathName(testsupport::TextOf(bytes))
                     : GPathName(GString(reinterpret_cast<unsigned char const*>(bytes.data()),
                                         static_cast<int>(bytes.size()), GUTF8Encoding::GetInstance(), true));
    };
    for (bool const utf16 : {true, false})
    {
        SCOPED_TRACE(utf16 ? "UTF-16 text" : "UTF-8 text");
        GPathName const file = poisoned("victim", ".bak", utf16);
        GPathName const folder = poisoned("folder", "x", utf16);
        GPathName const fresh = poisoned("new", "x", utf16);
        GPathName result;
        struct Case
        {
            char const* fName;
            std::function<void()> fCall;
        };
        Case const cases[] = {
            {"RemoveFile", [&] { GFileSystem::RemoveFile(file); }},
            {"RemoveFolderOnly", [&] { GFileSystem::RemoveFolderOnly(folder); }},
            {"RemoveFolder", [&] { GFileSystem::RemoveFolder(folder, -1, 10); }},
            {"RemoveFolderContent", [&] { GFileSystem::RemoveFolderContent(folder, -1, 10); }},
            {"FileExists", [&] { GFileSystem::FileExists(file); }},
            {"CreateFile", [&] { GFileSystem::CreateFile(fresh); }},
            {"CreateFolder", [&] { GFileSystem::CreateFolder(fresh); }},
            {"MoveFileTo", [&] { GFileSystem::MoveFileTo(file, At("moved"), result, true); }},
            {"CopyFileTo", [&] { GFileSystem::CopyFileTo(At("victim"), folder, result, true); }},
            {"SetPermissions", [&] { GFileSystem::SetPermissions(file, 7, false, false, false); }},
            {"IsSameFileOrFolder", [&] { GFileSystem::IsSameFileOrFolder(file, At("victim"), false); }},
            {"FileInUse", [&] { GFileSystem::FileInUse(file); }},
            {"writing it", [&] { GFileOutStream out(file, true); }},
            {"reading it", [&] { GFileInStream in(file); }},
        };
        for (Case const& c : cases)
        {
            SCOPED_TRACE(c.fName);
            EXPECT_EQ(ErrorOf(c.fCall), 40068);
        }
        EXPECT_FALSE(GFileSystem::TryFileExists(file));
        EXPECT_FALSE(GFileSystem::TryToRemoveFile(file));
        EXPECT_FALSE(GFileSystem::TryToRemoveFolder(folder, -1, 10));
    }
    EXPECT_EQ(ReadFile(Fs("victim")), "keep");
    EXPECT_EQ(ModeOf(Fs("victim")), 0644);
    EXPECT_EQ(ReadFile(Fs("folder/inside")), "keep too");
    EXPECT_FALSE(Exists(Fs("new")));
    EXPECT_FALSE(Exists(Fs("moved")));
}

TEST_F(GFileSystemTest, CreatesFilesOfAKind)
{
    GFileType const* pdf = GFileType::GetFromExtension(GString("pdf"));
    GPathName path = At("out/report.txt");
    EXPECT_TRUE(GFileSystem::CreateFile(path, pdf, true));
    EXPECT_EQ(path, At("out/report.pdf"));
    EXPECT_TRUE(fs::exists(Fs("out/report.pdf")));
    EXPECT_EQ(GFileSystem::GetFileTypePtr(path), pdf);
}

TEST_F(GFileSystemTest, MakesAliasesAndRefusesToOverwriteWithThem)
{
    fs::create_directory(Fs("target"));
    GPathName const alias = GFileSystem::CreateAlias(At("alias"), At("target"), GString("alias"));
    EXPECT_EQ(alias, At("alias"));
    EXPECT_TRUE(GFileSystem::IsAlias(At("alias")));
    EXPECT_TRUE(GFileSystem::FolderExists(At("alias")));
    WriteFile(Fs("taken"));
    EXPECT_NE(ErrorOf([&] { GFileSystem::CreateAlias(At("taken"), At("target"), GString()); }), 0);
    EXPECT_EQ(ReadFile(Fs("taken")), "x");
}

// --- removal ---

TEST_F(GFileSystemTest, RemovesFilesButNotFolders)
{
    WriteFile(Fs("file"));
    fs::create_directory(Fs("folder"));
    EXPECT_TRUE(GFileSystem::RemoveFile(At("file")));
    EXPECT_FALSE(Exists(Fs("file")));
    EXPECT_FALSE(GFileSystem::RemoveFile(At("file")));
    EXPECT_EQ(ErrorOf([&] { GFileSystem::RemoveFile(At("folder")); }), 40032);
    EXPECT_TRUE(fs::is_directory(Fs("folder")));
}

TEST_F(GFileSystemTest, RemovesALockedFile)
{
    WriteFile(Fs("locked"));
    GFileSystem::SetObjectLocked(At("locked"), true);
    if (GFileSystem::GetObjectLocked(At("locked")) != 2)
        GTEST_SKIP() << "the temporary folder's file system keeps no extended attributes";
    EXPECT_TRUE(GFileSystem::RemoveFile(At("locked")));
    EXPECT_FALSE(Exists(Fs("locked")));
}

TEST_F(GFileSystemTest, AFailedRemovalLocksTheFileAgain)
{
    fs::permissions(fRoot.Path(), fs::perms(0755));
    fs::create_directory(Fs("closed"));
    WriteFile(Fs("closed/locked"));
    fs::permissions(Fs("closed/locked"), fs::perms(0666));
    GFileSystem::SetObjectLocked(At("closed/locked"), true);
    if (GFileSystem::GetObjectLocked(At("closed/locked")) != 2)
        GTEST_SKIP() << "the temporary folder's file system keeps no extended attributes";
    fs::permissions(Fs("closed"), fs::perms(0755));
    GPathName const locked = At("closed/locked");
    // The file is the other user's, its folder is not: the folder refuses the removal.
    EXPECT_TRUE(testsupport::RunsAsOtherUser(Fs("closed/locked"),
                                             [&]
                                             {
                                                 return ErrorOf([&] { GFileSystem::RemoveFile(locked); }) != 0 &&
                                                        GFileSystem::GetObjectLocked(locked) == 2;
                                             }));
    EXPECT_TRUE(Exists(Fs("closed/locked")));
}

TEST_F(GFileSystemTest, RemovesAFolderWithWhateverItHolds)
{
    WriteFile(Fs("tree/a/b/c.txt"));
    WriteFile(Fs("tree/.hidden"));
    fs::create_directory(Fs("target"));
    WriteFile(Fs("target/keep"));
    fs::create_directory_symlink(Fs("target"), Fs("link"));
    EXPECT_TRUE(GFileSystem::RemoveFolderOnly(At("tree")));
    EXPECT_FALSE(Exists(Fs("tree")));
    EXPECT_TRUE(GFileSystem::RemoveFolderOnly(At("link")));
    EXPECT_FALSE(Exists(Fs("link")));
    EXPECT_TRUE(fs::exists(Fs("target/keep"))) << "an alias goes as a link, its target stays";
    WriteFile(Fs("file"));
    EXPECT_EQ(ErrorOf([&] { GFileSystem::RemoveFolderOnly(At("file")); }), 40044);
    EXPECT_FALSE(GFileSystem::RemoveFolderOnly(At("missing")));
}

TEST_F(GFileSystemTest, ARefusedFolderRemovalIsNotSuccess)
{
    fs::permissions(fRoot.Path(), fs::perms(0755));
    WriteFile(Fs("closed/folder/inside"));
    fs::permissions(Fs("closed/folder"), fs::perms(0777));
    fs::permissions(Fs("closed"), fs::perms(0755));
    GPathName const folder = At("closed/folder");
    // The folder is the other user's, the folder holding it is not: the removal is refused and must
    // not be reported as done.
    EXPECT_TRUE(testsupport::RunsAsOtherUser(
        Fs("closed/folder"), [&] { return ErrorOf([&] { GFileSystem::RemoveFolderOnly(folder); }) != 0; }));
    EXPECT_TRUE(fs::exists(Fs("closed/folder")));
}

// --- moves ---

TEST_F(GFileSystemTest, MovesFilesIntoFolders)
{
    WriteFile(Fs("a.txt"), "content");
    GPathName result;
    GFileSystem::MoveFileTo(At("a.txt"), At("new/folder"), result, false);
    EXPECT_EQ(result, At("new/folder/a.txt"));
    EXPECT_EQ(ReadFile(Fs("new/folder/a.txt")), "content");
    EXPECT_FALSE(Exists(Fs("a.txt")));

    fs::create_directory(Fs("folder"));
    EXPECT_EQ(ErrorOf([&] { GFileSystem::MoveFileTo(At("folder"), At("new"), result, false); }), 40010);
}

TEST_F(GFileSystemTest, AMoveOntoAnExistingFileNeedsOverwrite)
{
    WriteFile(Fs("src/a.txt"), "new");
    WriteFile(Fs("dst/a.txt"), "old");
    GPathName result;
    EXPECT_EQ(ErrorOf([&] { GFileSystem::MoveFileTo(At("src/a.txt"), At("dst"), result, false); }), 40015);
    EXPECT_EQ(ReadFile(Fs("src/a.txt")), "new");
    EXPECT_EQ(ReadFile(Fs("dst/a.txt")), "old");
    GFileSystem::MoveFileTo(At("src/a.txt"), At("dst"), result, true);
    EXPECT_EQ(ReadFile(Fs("dst/a.txt")), "new");
    EXPECT_FALSE(Exists(Fs("src/a.txt")));
}

TEST_F(GFileSystemTest, AMoveOntoItselfLosesNothing)
{
    WriteFile(Fs("folder/a.txt"), "keep me");
    fs::create_directory_symlink(Fs("folder"), Fs("alias"));
    GPathName result;
    GFileSystem::MoveFileTo(At("folder/a.txt"), At("folder"), result, true);
    EXPECT_EQ(ReadFile(Fs("folder/a.txt")), "keep me");
    GFileSystem::MoveFileTo(At("folder/a.txt"), At("alias"), result, true);
    EXPECT_EQ(ReadFile(Fs("folder/a.txt")), "keep me");

    WriteFile(Fs("parent/child/x"), "y");
    GFileSystem::MoveFolderTo(At("parent/child"), At("parent"), result, true);
    EXPECT_EQ(ReadFile(Fs("parent/child/x")), "y");

    // Without overwrite the object in the way is one like any other.
    EXPECT_EQ(ErrorOf([&] { GFileSystem::MoveFileTo(At("folder/a.txt"), At("folder"), result, false); }),
              40015);
    EXPECT_EQ(ErrorOf([&] { GFileSystem::MoveFolderTo(At("parent/child"), At("parent"), result, false); }),
              40015);
    EXPECT_EQ(ReadFile(Fs("folder/a.txt")), "keep me");
    EXPECT_EQ(ReadFile(Fs("parent/child/x")), "y");
}

TEST_F(GFileSystemTest, ALinkInTheWayIsAnotherItemThanWhatItLeadsTo)
{
    // b/f is a link to a/f: moving a/f into b with overwrite replaces the link by the file, and a
    // copy does the same; the file is never taken for itself.
    struct Case
    {
        char const* fLabel;
        bool fMove;
    };
    for (Case const& c : {Case{"move", true}, Case{"copy", false}})
    {
        SCOPED_TRACE(c.fLabel);
        fs::remove_all(Fs("a"));
        fs::remove_all(Fs("b"));
        WriteFile(Fs("a/f"), "the file");
        fs::create_directory(Fs("b"));
        fs::create_symlink(Fs("a/f"), Fs("b/f"));
        GPathName result;
        if (c.fMove)
            GFileSystem::MoveFileTo(At("a/f"), At("b"), result, true);
        else
            GFileSystem::CopyFileTo(At("a/f"), At("b"), result, true);
        EXPECT_EQ(result, At("b/f"));
        EXPECT_FALSE(IsLink(Fs("b/f")));
        EXPECT_EQ(ReadFile(Fs("b/f")), "the file");
        EXPECT_EQ(Exists(Fs("a/f")), !c.fMove);
    }
    // The same, with a new name and without following links.
    WriteFile(Fs("c/f"), "named");
    fs::create_symlink(Fs("c/f"), Fs("c/g"));
    GFileSystem::CopyAndRenameFile(At("c/f"), At("c/g"), true, false);
    EXPECT_FALSE(IsLink(Fs("c/g")));
    EXPECT_EQ(ReadFile(Fs("c/g")), "named");
    EXPECT_EQ(ReadFile(Fs("c/f")), "named");
}

TEST_F(GFileSystemTest, MovesAcrossVolumesByCopyingAndKeepsTheLock)
{
    std::error_code error;
    fs::path const shm = "/dev/shm";
    if (!fs::is_directory(shm, error) || access(shm.c_str(), W_OK) != 0)
        GTEST_SKIP() << "no second file system at /dev/shm";
    fs::path const foreign = shm / ("sendrix-move-" + std::to_string(getpid()));
    fs::create_directory(foreign);
    WriteFile(Fs("a.txt"), "across");
    GFileSystem::SetObjectLocked(At("a.txt"), true);
    bool const lockable = GFileSystem::GetObjectLocked(At("a.txt")) == 2;
    GPathName result;
    GFileSystem::MoveFileTo(At("a.txt"), PathOf(foreign), result, false);
    EXPECT_EQ(ReadFile(foreign / "a.txt"), "across");
    EXPECT_FALSE(Exists(Fs("a.txt")));
    if (lockable)
    {
        EXPECT_EQ(GFileSystem::GetObjectLocked(result), 2);
    }
    GFileSystem::SetObjectLocked(result, false);
    fs::remove_all(foreign, error);
}

TEST_F(GFileSystemTest, MovesFoldersWithTheirContent)
{
    WriteFile(Fs("tree/a/b.txt"), "b");
    GPathName result;
    GFileSystem::MoveFolderTo(At("tree"), At("moved"), result, false);
    EXPECT_EQ(result, At("moved/tree"));
    EXPECT_EQ(ReadFile(Fs("moved/tree/a/b.txt")), "b");
    EXPECT_FALSE(Exists(Fs("tree")));
    WriteFile(Fs("file"));
    EXPECT_EQ(ErrorOf([&] { GFileSystem::MoveFolderTo(At("file"), At("moved"), result, false); }), 40010);
}

// --- copies and renames ---

TEST_F(GFileSystemTest, CopiesFilesAndRefusesToCopyOntoThemselves)
{
    WriteFile(Fs("a.txt"), "one");
    GPathName result;
    GFileSystem::CopyFileTo(At("a.txt"), At("copies"), result, false);
    EXPECT_EQ(result, At("copies/a.txt"));
    EXPECT_EQ(ReadFile(Fs("copies/a.txt")), "one");
    WriteFile(Fs("a.txt"), "two");
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CopyFileTo(At("a.txt"), At("copies"), result, false); }), 40015);
    GFileSystem::CopyFileTo(At("a.txt"), At("copies"), result, true);
    EXPECT_EQ(ReadFile(Fs("copies/a.txt")), "two");

    EXPECT_EQ(ErrorOf([&] { GFileSystem::CopyFileTo(At("a.txt"), PathOf(fRoot.Path()), result, true); }), 40015);
    EXPECT_EQ(ReadFile(Fs("a.txt")), "two") << "copying a file onto itself must not remove it";
}

TEST_F(GFileSystemTest, CopiesUnderANewNameFollowingLinksOrNot)
{
    WriteFile(Fs("real.txt"), "real");
    fs::create_symlink("real.txt", Fs("link.txt"));
    GFileSystem::CopyAndRenameFile(At("link.txt"), At("out/followed.txt"), false, true);
    EXPECT_FALSE(IsLink(Fs("out/followed.txt")));
    EXPECT_EQ(ReadFile(Fs("out/followed.txt")), "real");
    GFileSystem::CopyAndRenameFile(At("link.txt"), At("out/kept.txt"), false, false);
    EXPECT_TRUE(IsLink(Fs("out/kept.txt")));
    EXPECT_EQ(fs::read_symlink(Fs("out/kept.txt")).string(), "real.txt");
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CopyAndRenameFile(At("real.txt"), At("out/followed.txt"), false, true); }),
              40015);
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CopyAndRenameFile(At("real.txt"), At("link.txt"), true, true); }), 40015);
    EXPECT_EQ(ReadFile(Fs("real.txt")), "real");
}

TEST_F(GFileSystemTest, RenamesWithinTheFolder)
{
    WriteFile(Fs("folder/old.txt"), "text");
    GPathName path = At("folder/old.txt");
    GFileSystem::RenameFile(path, GString("new.txt"), nullptr, false);
    EXPECT_EQ(path, At("folder/new.txt"));
    EXPECT_EQ(ReadFile(Fs("folder/new.txt")), "text");

    GFileType const* pdf = GFileType::GetFromExtension(GString("pdf"));
    GFileSystem::RenameFile(path, GString("final.txt"), pdf, true);
    EXPECT_EQ(path, At("folder/final.pdf"));
    EXPECT_EQ(GFileSystem::GetFileTypePtr(path), pdf);

    GPathName missing = At("folder/missing");
    EXPECT_EQ(ErrorOf([&] { GFileSystem::RenameFile(missing, GString("x"), nullptr, false); }), 40010);
    GPathName folder = At("folder");
    GFileSystem::RenameFolder(folder, GString("renamed"));
    EXPECT_EQ(folder, At("renamed"));
    EXPECT_TRUE(fs::exists(Fs("renamed/final.pdf")));
}

TEST_F(GFileSystemTest, ReplacesAnItemInOneStep)
{
    WriteFile(Fs("item"), "old");
    WriteFile(Fs("replacement"), "new");
    EXPECT_TRUE(GFileSystem::ReplaceItem(At("item"), At("replacement")));
    EXPECT_EQ(ReadFile(Fs("item")), "new");
    EXPECT_FALSE(Exists(Fs("replacement")));
}

// --- permissions and locks ---

TEST_F(GFileSystemTest, SetsThePermissionsOfTheChosenClasses)
{
    WriteFile(Fs("file"));
    fs::permissions(Fs("file"), fs::perms(0000));
    GFileSystem::SetPermissions(At("file"), 1, true, true, false);
    EXPECT_EQ(ModeOf(Fs("file")), 0600);
    GFileSystem::SetPermissions(At("file"), 2 | 4, true, false, true);
    EXPECT_EQ(ModeOf(Fs("file")), 0655);
    GFileSystem::SetPermissions(At("file"), 8, false, true, false);
    EXPECT_EQ(ModeOf(Fs("file")), 0255) << "the current user owns the file";

    bool read = true;
    bool write = false;
    bool execute = false;
    GFileSystem::GetPermissions(At("file"), 2, &read, &write, &execute);
    EXPECT_TRUE(read);
    EXPECT_FALSE(write);
    EXPECT_TRUE(execute);
    GFileSystem::GetPermissions(At("file"), 1, &read, nullptr, nullptr);
    EXPECT_FALSE(read);

    WriteFile(Fs("copy"));
    GFileSystem::CopyPermissions(At("file"), At("copy"));
    EXPECT_EQ(ModeOf(Fs("copy")), 0255);
    EXPECT_TRUE(GFileSystem::CheckIfOwner(At("copy")));
}

TEST_F(GFileSystemTest, LinkPermissionsBelongToWhatTheLinkLeadsTo)
{
    WriteFile(Fs("file"));
    fs::create_symlink(Fs("file"), Fs("link"));
    GFileSystem::SetPermissions(At("link"), 7, true, false, false);
    EXPECT_EQ(ModeOf(Fs("file")), 0444);
}

TEST_F(GFileSystemTest, LocksAndUnlocks)
{
    WriteFile(Fs("file"));
    EXPECT_EQ(GFileSystem::GetObjectLocked(At("file")), 1);
    GFileSystem::SetObjectLocked(At("file"), true);
    if (GFileSystem::GetObjectLocked(At("file")) != 2)
        GTEST_SKIP() << "the temporary folder's file system keeps no extended attributes";
    EXPECT_FALSE(GFileSystem::IsWritable(At("file")));
    EXPECT_TRUE(GFileSystem::FileInUse(At("file")));
    GFileSystem::SetObjectLocked(At("file"), false);
    EXPECT_EQ(GFileSystem::GetObjectLocked(At("file")), 1);
    EXPECT_TRUE(GFileSystem::IsWritable(At("file")));
}

TEST_F(GFileSystemTest, MakesFilesReadOnlyAndWritableAgain)
{
    // The superuser may write whatever the bits say: the file belongs to an ordinary user.
    fs::permissions(fRoot.Path(), fs::perms(0755));
    WriteFile(Fs("file"));
    fs::permissions(Fs("file"), fs::perms(0644));
    GPathName const file = At("file");
    std::string const native = Fs("file").string();
    EXPECT_TRUE(testsupport::RunsAsOtherUser(Fs("file"),
                                             [&]
                                             {
                                                 GFileSystem::SetWritable(file, false);
                                                 bool const readOnly = (ModeOf(native) & 0200) == 0 &&
                                                                       !GFileSystem::IsWritable(file);
                                                 GFileSystem::SetWritable(file, true);
                                                 return readOnly && (ModeOf(native) & 0200) != 0 &&
                                                        GFileSystem::IsWritable(file) &&
                                                        GFileSystem::GetObjectLocked(file) == 1;
                                             }));
}

TEST_F(GFileSystemTest, AFileIsInUseWhileAnotherProcessHoldsALockOnIt)
{
    WriteFile(Fs("shared"));
    EXPECT_FALSE(GFileSystem::FileInUse(At("shared")));
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    std::string const file = Fs("shared").string();
    pid_t const child = fork();
    if (child == 0)
    {
        int const descriptor = open(file.c_str(), O_RDONLY);
        struct flock lock = {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        char signal = fcntl(descriptor, F_SETLK, &lock) == 0 ? 'L' : 'E';
        (void)!write(toParent[1], &signal, 1);
        (void)!read(toChild[0], &signal, 1);
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(toParent[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'L');
    EXPECT_TRUE(GFileSystem::FileInUse(At("shared")));
    char go = 'Q';
    ASSERT_EQ(write(toChild[1], &go, 1), 1);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(GFileSystem::FileInUse(At("shared")));
    for (int descriptor : {toChild[0], toChild[1], toParent[0], toParent[1]})
        close(descriptor);
}

// --- file kinds ---

TEST_F(GFileSystemTest, FindsTheKindOfAFileByItsCodesOrItsExtension)
{
    WriteFile(Fs("a.pdf"));
    WriteFile(Fs("codes.bin"));
    WriteFile(Fs("print.txt"));
    GFileType const* pdf = GFileType::GetFromExtension(GString("pdf"));
    GFileType const* text = GFileType::GetFromExtension(GString("txt"));
    EXPECT_EQ(GFileSystem::GetFileTypePtr(At("a.pdf")), pdf);
    EXPECT_EQ(GFileSystem::GetFileTypePtr(At("not there.txt")), text);

    GPathName codes = At("codes.bin");
    GFileSystem::SetFileType(codes, *pdf, false);
    GFileType const* found = GFileSystem::GetFileTypePtr(At("codes.bin"));
    if (found->GetMacType() == 0)
        GTEST_SKIP() << "the temporary folder's file system keeps no extended attributes";
    EXPECT_EQ(found, GFileType::GetFromCreatorAndType(pdf->GetMacCreator(), pdf->GetMacType(), GString("bin")));

    // The print manager's text files carry no kind of their own.
    GPathName print = At("print.txt");
    GFileSystem::SetFileType(print, *GFileType::GetFromExtension(GString("ps")), false);
    EXPECT_EQ(GFileSystem::GetFileTypePtr(print), text);
}

TEST_F(GFileSystemTest, SettingAKindWithItsExtensionRenamesTheFile)
{
    WriteFile(Fs("doc.txt"), "pdf inside");
    GPathName path = At("doc.txt");
    GFileSystem::SetFileType(path, *GFileType::GetFromExtension(GString("pdf")), true);
    EXPECT_EQ(path, At("doc.pdf"));
    EXPECT_EQ(ReadFile(Fs("doc.pdf")), "pdf inside");
    GPathName missing = At("missing.pdf");
    EXPECT_EQ(ErrorOf([&] { GFileSystem::SetFileType(missing, *GFileType::GetFromExtension(GString("pdf")), true); }),
              40032);
}

TEST_F(GFileSystemTest, AFileWithABusyTypeCodeIsBeingCopied)
{
    struct Case
    {
        unsigned int fType;
        bool fBusy;
    };
    Case const cases[] = {{0x627A7920, true}, {0x627A793F, true}, {0x627A7940, false}, {0x54455854, false}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fType);
        WriteFile(Fs("file"));
        GPathName file = At("file");
        GFileSystem::SetFileType(file, GFileType(GBuffer("????"), GFileType::UInt32ToCode(c.fType), GString()), false);
        unsigned int const stored = GFileSystem::GetFileTypePtr(At("file"))->GetMacType();
        if (stored != c.fType)
            GTEST_SKIP() << "the temporary folder's file system keeps no extended attributes";
        EXPECT_EQ(GFileSystem::IsBeingCopied(At("file")), c.fBusy);
    }
}

// --- packages, volumes, known folders ---

TEST_F(GFileSystemTest, FindsTheEnclosingPackage)
{
    fs::create_directories(Fs("Apps/Tool.app/Contents/MacOS"));
    fs::create_directories(Fs("Lib/Kit.framework/Versions/A"));
    GPathName root;
    GFileSystem::FindMacPackageRoot(At("Apps/Tool.app/Contents/MacOS"), root);
    EXPECT_EQ(root, At("Apps/Tool.app"));
    EXPECT_TRUE(GFileSystem::IsMacPackage(At("Apps/Tool.app")));
    GFileSystem::FindMacFrameworkRoot(At("Lib/Kit.framework/Versions/A"), root);
    EXPECT_EQ(root, At("Lib/Kit.framework"));
    EXPECT_EQ(ErrorOf([&] { GFileSystem::FindMacPackageRoot(At("Lib/Kit.framework/Versions"), root); }), 40061);
    EXPECT_EQ(ErrorOf([&] { GFileSystem::FindMacFrameworkRoot(At("Apps/Tool.app"), root); }), 40062);

    fs::create_directories(Fs("Plain/Contents"));
    WriteFile(Fs("Plain/Contents/PkgInfo"), "APPL????");
    EXPECT_TRUE(GFileSystem::IsMacPackage(At("Plain")));
}

TEST_F(GFileSystemTest, TheDebugFolderLiesInTheTemporaryFolder)
{
    GPathName folder;
    GFileSystem::GetDebugFolder(folder);
    EXPECT_EQ(Utf8Of(folder.GetCrossPlatformString()), "/tmp/ZolvaneDebug");
    GFileSystem::GetGlobalTempFolder(folder);
    EXPECT_EQ(Utf8Of(folder.GetCrossPlatformString()), "/tmp");
}

TEST_F(GFileSystemTest, ItemsOfOneFolderLieOnOneVolume)
{
    WriteFile(Fs("a"));
    WriteFile(Fs("b"));
    EXPECT_TRUE(GFileSystem::IsOnSameVolume(At("a"), At("b")));
    EXPECT_EQ(GFileSystem::GetVolumeType(At("a"), true), 1);
}

// --- errors ---

TEST(PMacFileSystemImpTest, MapsEveryClassicFileErrorToItsMessage)
{
    short const codes[] = {-33,   -34,   -35,   -36,   -37,   -38,   -39,   -40,   -41,   -42,   -43,
                           -44,   -45,   -46,   -47,   -48,   -49,   -50,   -51,   -53,   -54,   -56,
                           -57,   -59,   -61,   -120,  -122,  -123,  -127,  -503,  -1300, -1301, -1302,
                           -1303, -1304, -1306, -1309, -1310, -1401, -1402, -1403, -1404, -1405, -1406,
                           -1407, -1409, -1410, -1411, -1421, -1422, -1423, -1424};
    int id = 40000;
    for (short code : codes)
    {
        SCOPED_TRACE(code);
        try
        {
            PMacFileSystemImp::CheckForErrors(code);
            ADD_FAILURE() << "nothing thrown";
        }
        catch (GSimpleException const& exception)
        {
            EXPECT_EQ(exception.GetExceptionID(), id);
        }
        ++id;
    }
    EXPECT_EQ(ErrorOf([] { PMacFileSystemImp::CheckForErrors(-5000); }), 40064);
    EXPECT_EQ(ErrorOf([] { PMacFileSystemImp::CheckForErrors(0); }), 0);
    for (short code : {-52, -1, 1, -32768})
    {
        SCOPED_TRACE(code);
        try
        {
            PMacFileSystemImp::CheckForErrors(code);
            ADD_FAILURE() << "nothing thrown";
        }
        catch (GSimpleException const&)
        {
            ADD_FAILURE() << "an unmapped code is a general exception";
        }
        catch (GException const& exception)
        {
            EXPECT_EQ(exception.GetExceptionID(), 2450);
        }
    }
}

TEST_F(GFileSystemTest, ErrorsNameThePathTheyHappenedOn)
{
    GStringPool::Initialize();
    GException::Initialize();
    WriteFile(Fs("file"));
    try
    {
        GFileSystem::RemoveFolderOnly(At("file"));
        ADD_FAILURE() << "nothing thrown";
    }
    catch (GException const& exception)
    {
        EXPECT_EQ(exception.GetExceptionID(), 40044);
        std::string const full = Utf8Of(exception.GetFullDescription());
        EXPECT_EQ(full, Fs("file").string() + ": " + Utf8Of(GSimpleException(40044).GetDescription()));
        EXPECT_NE(full.find("folder"), std::string::npos) << full;
    }
    GStringPool::Finalize();
}

// --- one operation made of several ---

TEST_F(GFileSystemTest, ExistenceAnswersWithinOneOperationFollowItsOwnChanges)
{
    fs::create_directory(Fs("folder"));
    WriteFile(Fs("folder/file"), "x");
    fs::create_symlink(Fs("target"), Fs("link"));
    std::string const places[] = {"folder",     "folder/file", "folder/new", "other",
                                  "other/file", "link",        "target"};
    // What the facade answers inside the operation, and what it answers on a thread of its own.
    auto const answers = [&]
    {
        std::string text;
        for (std::string const& place : places)
            text += place + (GFileSystem::FileExists(At(place)) ? " file" : "") +
                    (GFileSystem::FolderExists(At(place)) ? " folder" : "") + ";";
        return text;
    };
    auto const freshAnswers = [&]
    {
        std::string text;
        std::thread([&] { text = answers(); }).join();
        return text;
    };
    struct Step
    {
        char const* fLabel;
        std::function<void()> fChange;
    };
    GPathName moved;
    Step const steps[] = {
        {"making what an alias leads to", [&] { GFileSystem::CreateFolder(At("target")); }},
        {"making a file", [&] { GFileSystem::CreateFile(At("folder/new")); }},
        {"removing a file", [&] { GFileSystem::RemoveFile(At("folder/file")); }},
        {"making a folder where a file was", [&] { GFileSystem::CreateFolder(At("folder/file")); }},
        {"moving a file into a new folder",
         [&] { GFileSystem::MoveFileTo(At("folder/new"), At("other"), moved, false); }},
        {"removing a folder", [&] { GFileSystem::RemoveFolderOnly(At("folder/file")); }},
        {"removing a tree", [&] { GFileSystem::RemoveFolder(At("other"), -1, 10); }},
        {"removing what the alias leads to", [&] { GFileSystem::RemoveFolderOnly(At("target")); }},
    };
    PMacFileSystemImp::OperationScope const operation;
    EXPECT_EQ(answers(), freshAnswers());
    for (Step const& step : steps)
    {
        SCOPED_TRACE(step.fLabel);
        step.fChange();
        EXPECT_EQ(answers(), freshAnswers());
    }
}
