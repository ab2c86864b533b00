// The facade's compound operations on real trees: unique names, selective removal, deep copies and
// dates and permissions of whole trees.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "ChildProcess.h"
#include "ChildShared.h"
#include "ErrorOf.h"
#include "FileSystemFixture.h"
#include "FileTree.h"
#include "GDateTime.h"
#include "GFileSystem.h"
#include "GFileSystemIterator.h"
#include "GFileType.h"
#include "PMacFileSystemImp.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::ChildProcess;
using testsupport::ChildShared;
using testsupport::ErrorOf;
using testsupport::Exists;
using testsupport::IsLink;
using testsupport::ModeOf;
using testsupport::PathOf;
using testsupport::ReadFile;
using testsupport::Utf8Of;
using testsupport::WriteFile;

class GFileSystemCompoundTest : public FileSystemFixture
{
protected:
    std::set<std::string> Names(std::string const& folder) const
    {
        std::set<std::string> names;
        for (fs::directory_entry const& entry : fs::directory_iterator(Fs(folder)))
            names.insert(entry.path().filename().string());
        return names;
    }

};
} // namespace

// --- unique names ---

TEST_F(GFileSystemCompoundTest, AddsFiveDigitsBeforeTheExtensionOfAPatternWithoutX)
{
    GPathName made;
    GFileSystem::CreateUniqueFile(At("out/report.pdf"), made, nullptr, false);
    std::string const leaf = Utf8Of(made.GetLeaf());
    ASSERT_EQ(leaf.size(), std::string("report00000.pdf").size()) << leaf;
    EXPECT_EQ(leaf.substr(0, 6), "report");
    EXPECT_EQ(leaf.substr(11), ".pdf");
    EXPECT_EQ(leaf.substr(6, 5).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(testsupport::FsPathOf(made)));
}

TEST_F(GFileSystemCompoundTest, SuccessiveNamesCountOn)
{
    GPathName first;
    GPathName second;
    GFileSystem::CreateUniqueFile(At("job_XXX.tmp"), first, nullptr, false);
    GFileSystem::CreateUniqueFile(At("job_XXX.tmp"), second, nullptr, false);
    int const a = std::stoi(Utf8Of(first.GetLeaf()).substr(4, 3));
    int const b = std::stoi(Utf8Of(second.GetLeaf()).substr(4, 3));
    EXPECT_EQ(b, (a + 1) % 1000);
}

TEST_F(GFileSystemCompoundTest, UniqueFoldersAreMadeInAFolderThatIsMadeFirst)
{
    GPathName made;
    GFileSystem::CreateUniqueFolder(At("new/parent/run_XX"), made);
    EXPECT_TRUE(fs::is_directory(testsupport::FsPathOf(made)));
    EXPECT_EQ(made.GetBranch(), At("new/parent"));
}

TEST_F(GFileSystemCompoundTest, RunsOutOfNamesAfterTheWholeNumberSpace)
{
    for (int digit = 0; digit < 10; ++digit)
        WriteFile(Fs("full/f_" + std::to_string(digit)));
    GPathName made = At("something");
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CreateUniqueFile(At("full/f_X"), made, nullptr, false); }), 40063);
    EXPECT_TRUE(made.IsEmpty());
}

TEST_F(GFileSystemCompoundTest, ALongRunOfXUsesNineDigits)
{
    GPathName made;
    GFileSystem::CreateUniqueFile(At("long_XXXXXXXXXXXX"), made, nullptr, false);
    std::string const leaf = Utf8Of(made.GetLeaf());
    EXPECT_EQ(leaf.size(), std::string("long_XXXXXXXXXXXX").size());
    EXPECT_EQ(leaf.substr(5, 9).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(leaf.substr(14), "XXX");
}

TEST_F(GFileSystemCompoundTest, UniqueFilesTakeTheirKindsExtension)
{
    GPathName made;
    GFileSystem::CreateUniqueFile(At("doc_XX.txt"), made, GFileType::GetFromExtension(GString("pdf")), true);
    EXPECT_EQ(Utf8Of(made.GetExtension()), "pdf");
    EXPECT_TRUE(fs::exists(testsupport::FsPathOf(made)));
}

// --- removal ---

TEST_F(GFileSystemCompoundTest, RemovesOnlyWhatTheKindsSelect)
{
    WriteFile(Fs("f/plain.txt"));
    WriteFile(Fs("f/.DS_Store"));
    WriteFile(Fs("f/.hidden"));
    WriteFile(Fs("f/sub/x"));
    fs::create_symlink(Fs("f/plain.txt"), Fs("f/alias"));
    EXPECT_FALSE(GFileSystem::RecursiveRemoveFolder(At("f"), 1, 0));
    EXPECT_EQ(Names("f"), (std::set<std::string>{".hidden", "alias", "sub"}));
    EXPECT_TRUE(IsLink(Fs("f/alias")));
}

TEST_F(GFileSystemCompoundTest, RemovesATreeWithHiddenFoldersAndAliasesButNotTheirTargets)
{
    WriteFile(Fs("tree/a/b/c.txt"));
    WriteFile(Fs("tree/.hidden/h.txt"));
    WriteFile(Fs("outside/keep.txt"));
    fs::create_directory_symlink(Fs("outside"), Fs("tree/a/to outside"));
    fs::create_symlink(Fs("outside/keep.txt"), Fs("tree/file alias"));
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("tree"), -1, 10));
    EXPECT_FALSE(Exists(Fs("tree")));
    EXPECT_EQ(ReadFile(Fs("outside/keep.txt")), "x");
}

TEST_F(GFileSystemCompoundTest, KeepsAFolderWhoseContentWasNotAllRemoved)
{
    WriteFile(Fs("f/a.txt"));
    WriteFile(Fs("f/.hidden"));
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("f"), 1 | 2, 2));
    EXPECT_EQ(Names("f"), (std::set<std::string>{".hidden"}));
    EXPECT_TRUE(GFileSystem::RemoveFolderContent(At("f"), -1, 10));
    EXPECT_TRUE(Names("f").empty());
}

TEST_F(GFileSystemCompoundTest, RemovingAFolderThatIsAFileOrMissingRemovesNothing)
{
    WriteFile(Fs("file"));
    EXPECT_FALSE(GFileSystem::RemoveFolder(At("file"), -1, 10));
    EXPECT_TRUE(fs::exists(Fs("file")));
    EXPECT_FALSE(GFileSystem::RemoveFolder(At("missing"), -1, 10));
    EXPECT_FALSE(GFileSystem::TryToRemoveFolder(GPathName("relative"), -1, 10));
}

TEST_F(GFileSystemCompoundTest, RemovingAnAliasToAFolderRemovesTheLinkOnly)
{
    WriteFile(Fs("target/keep"));
    fs::create_directory_symlink(Fs("target"), Fs("alias"));
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("alias"), -1, 10));
    EXPECT_FALSE(Exists(Fs("alias")));
    EXPECT_TRUE(fs::exists(Fs("target/keep")));
}

TEST_F(GFileSystemCompoundTest, ARemovalGoesByEachItemAsItIsNowNotAsTheOperationSawIt)
{
    // While an operation runs, another process may put a link to somewhere else in place of a
    // folder of the tree. Whatever the operation saw of the folder before, a removal or an
    // overwrite looks at it again: the link goes, and what it leads to stays.
    GPathName result;
    struct Case
    {
        char const* fLabel;
        char const* fSwapped;
        std::function<void()> fRemove;
    };
    Case const cases[] = {
        {"the folder removed", "tree", [&] { GFileSystem::RemoveFolder(At("tree"), -1, 10); }},
        {"a folder inside the one removed", "tree/sub",
         [&] { GFileSystem::RemoveFolder(At("tree"), -1, 10); }},
        {"a folder inside the one emptied", "tree/sub",
         [&] { GFileSystem::RemoveFolderContent(At("tree"), -1, 10); }},
        {"the folder a move overwrites", "tree/sub",
         [&] { GFileSystem::MoveFolderTo(At("src/sub"), At("tree"), result, true); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        for (char const* place : {"tree", "src", "outside", "set aside"})
            fs::remove_all(Fs(place));
        WriteFile(Fs("tree/sub/same.txt"), "in the tree");
        WriteFile(Fs("tree/top.txt"), "in the tree");
        WriteFile(Fs("src/sub/same.txt"), "moved in");
        WriteFile(Fs("outside/same.txt"), "precious");
        WriteFile(Fs("outside/only.txt"), "precious");
        {
            PMacFileSystemImp::OperationScope const operation;
            // What the operation has seen of the tree so far.
            for (char const* place : {"tree", "tree/sub"})
            {
                EXPECT_TRUE(GFileSystem::FolderExists(At(place)));
                EXPECT_FALSE(GFileSystem::IsAlias(At(place)));
                for (GFileSystemIterator it(At(place), -1, 0); it != GFileSystemIterator::cEnd; ++it)
                    GFileSystem::FileExists(*it);
            }
            fs::rename(Fs(c.fSwapped), Fs("set aside"));
            fs::create_directory_symlink(Fs("outside"), Fs(c.fSwapped));
            c.fRemove();
        }
        EXPECT_EQ(ReadFile(Fs("outside/same.txt")), "precious");
        EXPECT_EQ(ReadFile(Fs("outside/only.txt")), "precious");
        EXPECT_EQ(Names("outside"), (std::set<std::string>{"only.txt", "same.txt"}));
    }
}

TEST_F(GFileSystemCompoundTest, ARemovalNeverDeletesFilesOutsideWhileAnotherProcessSwapsAFolderForALink)
{
    // Another process swaps a folder of the tree for a link to a folder outside and back, as fast
    // as it can, while this one removes the tree, empties it, or clears it for a move. Whatever
    // moment the swap meets, the files outside stay.
    constexpr int cOutsideFiles = 20;
    std::string const tree = Fs("tree").string();
    std::string const outside = Fs("outside").string();
    struct Shared
    {
        // Odd while a round of this process removes: the other process swaps only then, and tells
        // which even round it saw when it stands still.
        std::atomic<unsigned> fRound;
        std::atomic<unsigned> fSeen;
        std::atomic<int> fStop;
    };
    ChildShared<Shared> const shared;
    auto const fill = [&](std::string const& folder)
    {
        for (int i = 0; i < cOutsideFiles; ++i)
            WriteFile(Fs(folder) / ("f" + std::to_string(i)), "precious");
    };
    fill("outside");
    ChildProcess swapper(
        [&](ChildProcess::Child const&)
        {
            std::string const sub = tree + "/sub";
            std::string const aside = tree + "/aside";
            while (shared->fStop.load() == 0)
            {
                unsigned const round = shared->fRound.load();
                if (round % 2 == 0)
                {
                    shared->fSeen.store(round);
                    continue;
                }
                if (rename(sub.c_str(), aside.c_str()) != 0)
                    continue;
                if (symlink(outside.c_str(), sub.c_str()) == 0)
                {
                    for (int wait = 0; wait < 200; ++wait)
                        std::atomic_signal_fence(std::memory_order_seq_cst);
                    struct stat info;
                    if (lstat(sub.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
                        unlink(sub.c_str());
                }
                rename(aside.c_str(), sub.c_str());
            }
            return 0;
        });
    struct Stop
    {
        Shared* fShared;
        ~Stop() { fShared->fStop.store(1); }
    } const stop{shared.Get()};
    GPathName result;
    struct Case
    {
        char const* fLabel;
        std::function<void()> fRemove;
    };
    Case const cases[] = {
        {"the tree removed", [&] { GFileSystem::RemoveFolder(At("tree"), -1, 10); }},
        {"the tree emptied", [&] { GFileSystem::RemoveFolderContent(At("tree"), -1, 10); }},
        {"the folder a move overwrites", [&] { GFileSystem::MoveFolderTo(At("src/sub"), At("tree"), result, true); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        int lost = 0;
        int rounds = 0;
        auto const deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        for (; rounds < 3000 && lost == 0 && std::chrono::steady_clock::now() < deadline; ++rounds)
        {
            for (char const* place : {"tree", "src"})
                fs::remove_all(Fs(place));
            fill("tree/sub");
            fill("src/sub");
            WriteFile(Fs("tree/top"), "in the tree");
            shared->fRound.fetch_add(1);
            // A swap may meet the removal where it cannot go on: that is no loss.
            (void)ErrorOf(c.fRemove);
            unsigned const still = shared->fRound.fetch_add(1) + 1;
            auto const bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (shared->fSeen.load() != still && std::chrono::steady_clock::now() < bound)
                ;
            ASSERT_EQ(shared->fSeen.load(), still) << "the other process no longer answers";
            for (int i = 0; i < cOutsideFiles; ++i)
            {
                if (!Exists(Fs("outside") / ("f" + std::to_string(i))))
                    ++lost;
            }
            fill("outside");
        }
        EXPECT_EQ(lost, 0) << "files outside the tree were deleted within " << rounds << " rounds";
        EXPECT_EQ(Names("outside").size(), static_cast<std::size_t>(cOutsideFiles));
    }
}

// --- deep copies ---

TEST_F(GFileSystemCompoundTest, CopiesATreeWithItsPermissions)
{
    WriteFile(Fs("src/a.txt"), "a");
    WriteFile(Fs("src/sub/b.txt"), "b");
    fs::permissions(Fs("src/sub"), fs::perms(0750));
    GPathName result;
    GFileSystem::CopyFolderTo(At("src"), At("dst"), result, false);
    EXPECT_EQ(result, At("dst/src"));
    EXPECT_EQ(ReadFile(Fs("dst/src/a.txt")), "a");
    EXPECT_EQ(ReadFile(Fs("dst/src/sub/b.txt")), "b");
    EXPECT_EQ(ModeOf(Fs("dst/src/sub")), 0750);
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CopyFolderTo(At("src"), At("dst"), result, false); }), 40065);
    WriteFile(Fs("src/a.txt"), "changed");
    GFileSystem::CopyFolderTo(At("src"), At("dst"), result, true);
    EXPECT_EQ(ReadFile(Fs("dst/src/a.txt")), "changed");
}

TEST_F(GFileSystemCompoundTest, RefusesToCopyAFolderIntoItself)
{
    WriteFile(Fs("src/a.txt"));
    WriteFile(Fs("src/sub/b.txt"));
    fs::create_directory_symlink(Fs("src"), Fs("alias"));
    fs::create_directory_symlink(Fs("src/sub"), Fs("lsub"));
    fs::create_directory_symlink(Fs("lsub"), Fs("link to lsub"));
    fs::create_directories(Fs("elsewhere"));
    fs::create_directory_symlink(Fs("src/sub"), Fs("elsewhere/inside"));
    GPathName result;
    struct Case
    {
        char const* fLabel;
        std::function<void()> fCopy;
    };
    Case const cases[] = {
        {"into a folder of its own", [&] { GFileSystem::CopyFolderTo(At("src"), At("src/inner"), result, false); }},
        {"through a link to itself",
         [&] { GFileSystem::CopyFolderTo(At("src"), At("alias/deeper"), result, false); }},
        {"onto a link to a folder of its own", [&] { GFileSystem::CopyFolderTo(At("src"), At("lsub"), result, false); }},
        {"below a link to a folder of its own",
         [&] { GFileSystem::CopyFolderTo(At("src"), At("lsub/new/deeper"), result, false); }},
        {"through a link to such a link",
         [&] { GFileSystem::CopyFolderTo(At("src"), At("link to lsub"), result, false); }},
        {"through a link further down the way",
         [&] { GFileSystem::CopyFolderTo(At("src"), At("elsewhere/inside/x"), result, false); }},
        {"its content onto itself", [&] { GFileSystem::CopyFolderContentsTo(At("src"), At("src"), false); }},
        {"its content through a link to a folder of its own",
         [&] { GFileSystem::CopyFolderContentsTo(At("src"), At("lsub"), false); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(ErrorOf(c.fCopy), 40068);
        EXPECT_EQ(Names("src"), (std::set<std::string>{"a.txt", "sub"})) << "nothing is made in the source";
        EXPECT_EQ(Names("src/sub"), (std::set<std::string>{"b.txt"})) << "nothing is made in the source";
    }
}

TEST_F(GFileSystemCompoundTest, TellsInsideFromBesideAsTheVolumeComparesNames)
{
    WriteFile(Fs("d/A/a.txt"), "upper");
    fs::create_directories(Fs("d/a"));
    if (Names("d").size() != 2)
        GTEST_SKIP() << "the volume takes names of another case for one";
    // On this volume "A" and "a" are two folders: a copy of one into the other is no copy into itself.
    GPathName result;
    GFileSystem::CopyFolderTo(At("d/A"), At("d/a/backup"), result, false);
    EXPECT_EQ(result, At("d/a/backup/A"));
    EXPECT_EQ(ReadFile(Fs("d/a/backup/A/a.txt")), "upper");
    GFileSystem::CopyFolderContentsTo(At("d/A"), At("d/a"), false);
    EXPECT_EQ(ReadFile(Fs("d/a/a.txt")), "upper");
    // The folder itself, under the name it has, is still refused.
    EXPECT_EQ(ErrorOf([&] { GFileSystem::CopyFolderTo(At("d/A"), At("d/A/backup"), result, false); }), 40068);
}

TEST_F(GFileSystemCompoundTest, CopiesContentsKeepingFilesThatAreThere)
{
    WriteFile(Fs("src/a.txt"), "new a");
    WriteFile(Fs("src/b.txt"), "new b");
    WriteFile(Fs("src/sub/c.txt"), "new c");
    WriteFile(Fs("dst/a.txt"), "old a");
    GFileSystem::CopyFolderContentsTo(At("src"), At("dst"), false);
    EXPECT_EQ(ReadFile(Fs("dst/a.txt")), "old a");
    EXPECT_EQ(ReadFile(Fs("dst/b.txt")), "new b");
    EXPECT_EQ(ReadFile(Fs("dst/sub/c.txt")), "new c");
    GFileSystem::CopyFolderContentsTo(At("src"), At("dst"), true);
    EXPECT_EQ(ReadFile(Fs("dst/a.txt")), "new a");
}

TEST_F(GFileSystemCompoundTest, CopiesDatesAndPermissionsOfWholeTrees)
{
    WriteFile(Fs("src/a.txt"));
    WriteFile(Fs("src/sub/b.txt"));
    WriteFile(Fs("dst/a.txt"));
    WriteFile(Fs("dst/sub/b.txt"));
    fs::permissions(Fs("src/sub/b.txt"), fs::perms(0604));
    fs::permissions(Fs("src/sub"), fs::perms(0711));
    GDateTime const date(15, 6, 2020, 10, 30, 0, true);
    GFileSystem::SetModificationDateTime(At("src/sub/b.txt"), date);
    GFileSystem::CopyPermissionsRecursive(At("src"), At("dst"));
    GFileSystem::CopyDateTimeInfoRecursive(At("src"), At("dst"));
    EXPECT_EQ(ModeOf(Fs("dst/sub/b.txt")), 0604);
    EXPECT_EQ(ModeOf(Fs("dst/sub")), 0711);
    GDateTime copied(false);
    GFileSystem::GetModificationDateTime(At("dst/sub/b.txt"), copied);
    EXPECT_TRUE(copied == date);
    EXPECT_NE(ErrorOf([&] { GFileSystem::CopyPermissionsRecursive(At("src"), At("missing")); }), 0);
}
