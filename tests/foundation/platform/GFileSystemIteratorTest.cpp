// Walking folders: what the kind and descent masks report and enter, the depth-first order, and
// walks that meet aliases, hidden entries, missing folders and alias cycles.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ErrorOf.h"
#include "FileTree.h"
#include "GFileSystemIterator.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::PathOf;
using testsupport::Utf8Of;
using testsupport::WriteFile;

class GFileSystemIteratorTest : public ::testing::Test
{
protected:
    // Every reported entry, relative to the root, in walk order.
    std::vector<std::string> Walk(std::string const& folder, int kinds, int descend) const
    {
        std::vector<std::string> found;
        std::string const prefix = fRoot.String() + "/";
        for (GFileSystemIterator it(PathOf(fRoot / folder), kinds, descend); it != GFileSystemIterator::cEnd; ++it)
        {
            std::string const path = Utf8Of(it->GetCrossPlatformString());
            found.push_back(path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path);
        }
        return found;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> entries)
    {
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    testsupport::TempFolder fRoot{"sendrix-walk"};
};

// Where in the walk an entry was reported; -1 when it was not.
int IndexOf(std::vector<std::string> const& walk, std::string const& entry)
{
    auto const found = std::find(walk.begin(), walk.end(), entry);
    return found == walk.end() ? -1 : static_cast<int>(found - walk.begin());
}
} // namespace

TEST_F(GFileSystemIteratorTest, AnEmptyOrMissingFolderEndsAtOnce)
{
    fs::create_directory(fRoot / "empty");
    EXPECT_TRUE(GFileSystemIterator(PathOf(fRoot / "empty"), -1, 2) == GFileSystemIterator::cEnd);
    EXPECT_TRUE(GFileSystemIterator(PathOf(fRoot / "missing"), -1, 2) == GFileSystemIterator::cEnd);
    GFileSystemIterator const ended;
    EXPECT_FALSE(ended.CurrentFileOrFolderIsValid());
    EXPECT_EQ(ended.operator->(), nullptr);
    EXPECT_EQ(testsupport::ErrorOf([] { GFileSystemIterator(GPathName("relative"), -1, 0); }), 40068);
}

TEST_F(GFileSystemIteratorTest, KindsChooseWhatIsReported)
{
    WriteFile(fRoot / "top/visible.txt");
    WriteFile(fRoot / "top/.hidden");
    WriteFile(fRoot / "top/sub/inner.txt");
    fs::create_symlink(fRoot / "top/visible.txt", fRoot / "top/link");
    struct Case
    {
        int fKinds;
        std::vector<std::string> fFound;
    };
    Case const cases[] = {
        {1, {"top/visible.txt"}},
        {2, {"top/sub"}},
        {4, {"top/link"}},
        {1 | 8, {"top/.hidden", "top/visible.txt"}},
        {-1, {"top/.hidden", "top/link", "top/sub", "top/visible.txt"}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fKinds);
        EXPECT_EQ(Sorted(Walk("top", c.fKinds, 0)), c.fFound);
    }
}

TEST_F(GFileSystemIteratorTest, DescendsDepthFirstWithEachFolderBeforeItsContent)
{
    WriteFile(fRoot / "tree/a/b/deep.txt");
    WriteFile(fRoot / "tree/a/file.txt");
    WriteFile(fRoot / "tree/top.txt");
    WriteFile(fRoot / "tree/.secret/inside.txt");
    std::vector<std::string> const walk = Walk("tree", 3, 2);
    EXPECT_EQ(Sorted(walk), (std::vector<std::string>{"tree/a", "tree/a/b", "tree/a/b/deep.txt", "tree/a/file.txt",
                                                      "tree/top.txt"}));
    EXPECT_LT(IndexOf(walk, "tree/a"), IndexOf(walk, "tree/a/file.txt"));
    EXPECT_LT(IndexOf(walk, "tree/a/b"), IndexOf(walk, "tree/a/b/deep.txt"));
    // The content of a folder follows it at once: nothing of another folder comes between.
    int const b = IndexOf(walk, "tree/a/b");
    EXPECT_EQ(IndexOf(walk, "tree/a/b/deep.txt"), b + 1);

    std::vector<std::string> const withHidden = Walk("tree", 3 | 8, 2 | 8);
    EXPECT_NE(IndexOf(withHidden, "tree/.secret/inside.txt"), -1);
    std::vector<std::string> const reportedNotEntered = Walk("tree", 3 | 8, 2);
    EXPECT_NE(IndexOf(reportedNotEntered, "tree/.secret"), -1);
    EXPECT_EQ(IndexOf(reportedNotEntered, "tree/.secret/inside.txt"), -1);
}

TEST_F(GFileSystemIteratorTest, AliasTargetsFollowTheirAliases)
{
    WriteFile(fRoot / "target/in.txt");
    fs::create_directory(fRoot / "walked");
    fs::create_directory_symlink(fRoot / "target", fRoot / "walked/alias");
    // Without 4 among the kinds the alias itself is not reported; its target folder is.
    std::vector<std::string> const walk = Walk("walked", 3, 2 | 4);
    EXPECT_EQ(walk, (std::vector<std::string>{"target", "target/in.txt"}));
    std::vector<std::string> const withAliases = Walk("walked", 7, 2 | 4);
    EXPECT_EQ(withAliases, (std::vector<std::string>{"walked/alias", "target", "target/in.txt"}));
    EXPECT_EQ(Walk("walked", 7, 2), (std::vector<std::string>{"walked/alias"}));
}

TEST_F(GFileSystemIteratorTest, AnAliasCycleIsWalkedOnce)
{
    WriteFile(fRoot / "loop/file.txt");
    fs::create_directory_symlink(fRoot / "loop", fRoot / "loop/back");
    fs::create_directory(fRoot / "loop/sub");
    fs::create_directory_symlink(fRoot / "loop", fRoot / "loop/sub/up");
    std::vector<std::string> const walk = Walk("loop", -1, -1);
    EXPECT_EQ(std::count(walk.begin(), walk.end(), "loop/file.txt"), 1);
    EXPECT_LT(walk.size(), 20u);
}

TEST_F(GFileSystemIteratorTest, TwoWalksOfOneFolderAgreeEntryByEntry)
{
    WriteFile(fRoot / "f/a");
    WriteFile(fRoot / "f/b/c");
    GFileSystemIterator first(PathOf(fRoot / "f"), -1, 2);
    GFileSystemIterator second(PathOf(fRoot / "f"), -1, 2);
    int steps = 0;
    while (first != GFileSystemIterator::cEnd)
    {
        EXPECT_TRUE(first == second);
        ++first;
        ++second;
        ++steps;
    }
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(second == GFileSystemIterator::cEnd);
    ++first;
    EXPECT_TRUE(first == GFileSystemIterator::cEnd) << "an ended walk stays ended";
}

TEST_F(GFileSystemIteratorTest, RemovalsDuringTheWalkDoNotDisturbIt)
{
    for (char const* name : {"a", "b", "c", "d"})
        WriteFile(fRoot / "f" / name);
    std::vector<std::string> seen;
    for (GFileSystemIterator it(PathOf(fRoot / "f"), 1, 0); it != GFileSystemIterator::cEnd; ++it)
    {
        seen.push_back(Utf8Of(it->GetLeaf()));
        fs::remove_all(fRoot / "f");
    }
    EXPECT_EQ(seen.size(), 4u);
}
