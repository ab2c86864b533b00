// Path names: normalisation, the component operations, edits, comparison and the text forms that
// need no volume lookup.
#include <gtest/gtest.h>

#include <string>

#include "ErrorOf.h"
#include "GPathName.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "FileTree.h"
#include "StringText.h"
#include "TempFolder.h"

namespace
{
using testsupport::ErrorOf;
using testsupport::TextOf;
using testsupport::Utf8Of;

using testsupport::PathOf;
using testsupport::PortableOf;

struct TextCase
{
    char const* fIn;
    char const* fOut;
};
} // namespace

TEST(GPathNameTest, NormalisesToOnePortableForm)
{
    TextCase const cases[] = {
        {"", ""},
        {"/", "/"},
        {"//", "/"},
        {"a/", "a"},
        {"a//", "a/"},
        {"./a", "a"},
        {"a/./b", "a/b"},
        {"/a/b/../c/", "/a/c"},
        {"../a", "../a"},
        {"/..", "/.."},
        {"a//..", "a//.."},
        {"a//b", "a//b"},
        {"a/../../b", "../b"},
        {"a/b/../..", ""},
        {"a/..", ""},
        {".", ""},
        {"/A/B", "/A/B"},
    };
    for (TextCase const& c : cases)
    {
        SCOPED_TRACE(c.fIn);
        EXPECT_EQ(PortableOf(PathOf(c.fIn)), c.fOut);
        EXPECT_EQ(Utf8Of(GPathName().GetNormalizedPortablePathFrom(TextOf(c.fIn))), c.fOut);
    }
}

TEST(GPathNameTest, AnAbsolutePathWhoseComponentsCancelStaysAtTheRoot)
{
    for (char const* text : {"/a/..", "/.", "/a/b/../..", "/a/../"})
    {
        SCOPED_TRACE(text);
        GPathName const path(text);
        EXPECT_EQ(PortableOf(path), "/");
        EXPECT_FALSE(path.IsRelative());
    }
}

TEST(GPathNameTest, KeepsTheTextAsItArrivedUnlessNormalisationRewritesIt)
{
    GString const utf16(u"/a/b", false);
    GPathName const kept(utf16);
    EXPECT_EQ(kept.GetCrossPlatformString().GetEncoding().Get(), GUnicodeEncoding::GetInstance());

    GPathName const rewritten(GString(u"/a/./b", false));
    EXPECT_EQ(rewritten.GetCrossPlatformString().GetEncoding().Get(), GUTF8Encoding::GetInstance());
    EXPECT_EQ(PortableOf(rewritten), "/a/b");
}

TEST(GPathNameTest, DecomposedNamesAreNeverComposed)
{
    // "e" followed by a combining acute accent: the file system knows the name by these units.
    std::string const decomposed = "e\xCC\x81";
    GPathName path = PathOf("/x/./" + decomposed + ".txt");
    EXPECT_EQ(PortableOf(path), "/x/" + decomposed + ".txt");
    EXPECT_EQ(Utf8Of(path.GetLeaf()), decomposed + ".txt");
    EXPECT_EQ(Utf8Of(path.GetLeafWithoutExtension()), decomposed);
    path.ReplaceExtension(GString("pdf"));
    EXPECT_EQ(PortableOf(path), "/x/" + decomposed + ".pdf");
    EXPECT_EQ(PortableOf(path / PathOf(decomposed)), "/x/" + decomposed + ".pdf/" + decomposed);
    EXPECT_EQ(PortableOf(path.GetRelativePathFrom(PathOf("/x/" + decomposed))), "../" + decomposed + ".pdf");
}

TEST(GPathNameTest, FindsLeafAndExtension)
{
    struct Case
    {
        char const* fPath;
        int fLeafStart;
        char const* fLeaf;
        char const* fLeafWithoutExtension;
        char const* fExtension;
        bool fHasExtension;
    };
    Case const cases[] = {
        {"", -1, "", "", "", false},
        {"/", -1, "", "", "", false},
        {"a//", -1, "", "", "", false},
        {"/a/b", 3, "b", "b", "", false},
        {"a", 0, "a", "a", "", false},
        {"/x/report.pdf", 3, "report.pdf", "report", "pdf", true},
        {"a.b.c", 0, "a.b.c", "a.b", "c", true},
        {".profile", 0, ".profile", ".profile", "", false},
        {"/x/a.", 3, "a.", "a", "", true},
        {"/x.y/z", 5, "z", "z", "", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath);
        GPathName const path(c.fPath);
        EXPECT_EQ(path.GetLeafStartPosition(), c.fLeafStart);
        EXPECT_EQ(path.HasLeaf(), c.fLeafStart != -1);
        EXPECT_EQ(Utf8Of(path.GetLeaf()), c.fLeaf);
        EXPECT_EQ(Utf8Of(path.GetLeafWithoutExtension()), c.fLeafWithoutExtension);
        EXPECT_EQ(Utf8Of(path.GetExtension()), c.fExtension);
        EXPECT_EQ(path.HasExtension(), c.fHasExtension);
    }
}

TEST(GPathNameTest, SplitsIntoRootBranchAndRelativePart)
{
    struct Case
    {
        char const* fPath;
        char const* fBranch;
        bool fHasBranch;
        char const* fRoot;
        char const* fRelative;
    };
    Case const cases[] = {
        {"/a/b", "/a", true, "/", "a/b"}, {"/a", "/", true, "/", "a"}, {"a", "", false, "", "a"},
        {"a/b", "a", true, "", "a/b"},    {"/", "/", true, "/", ""},   {"", "", false, "", ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath);
        GPathName const path(c.fPath);
        EXPECT_EQ(PortableOf(path.GetBranch()), c.fBranch);
        EXPECT_EQ(PortableOf(path.GetMachOBranch()), c.fBranch);
        EXPECT_EQ(path.HasBranch(), c.fHasBranch);
        EXPECT_EQ(PortableOf(path.GetRootPath()), c.fRoot);
        EXPECT_EQ(PortableOf(path.GetRelativePath()), c.fRelative);
        EXPECT_EQ(path.GetStartPositionRelativePath(), std::string(c.fRoot).empty() ? 0 : 1);
        EXPECT_FALSE(path.HasRootName());
    }
}

TEST(GPathNameTest, PartialPathsCutBeforeThePosition)
{
    GPathName const path("/ab/cd");
    struct Case
    {
        int fPosition;
        char const* fPartial;
    };
    Case const cases[] = {{1, "/"}, {-1, "/ab/cd"}, {4, "/ab"}, {2, "/"}, {0, ""}, {-2, ""}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPosition);
        EXPECT_EQ(PortableOf(path.GetPartialPath(c.fPosition)), c.fPartial);
    }
}

TEST(GPathNameTest, APathEndingInASlashHasTheBranchOfItsNormalisedForm)
{
    // "x//" is kept as "x/": no leaf, and its branch is "x", as normalising the copy gives.
    struct Case
    {
        char const* fPath;
        char const* fBranch;
    };
    Case const cases[] = {{"a//", "a"}, {"/a//", "/a"}, {"/a/b//", "/a/b"}, {"/a//b//", "/a//b"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath);
        GPathName const path(c.fPath);
        EXPECT_EQ(path.GetLeafStartPosition(), -1);
        EXPECT_EQ(PortableOf(path.GetBranch()), c.fBranch);
        EXPECT_EQ(PortableOf(path.GetMachOBranch()), c.fBranch);
        EXPECT_EQ(PortableOf(path.GetPartialPath(-1)), c.fBranch);
        // Walking up by branches reaches the top, each step shorter than the one before.
        GPathName walk = path;
        for (int steps = 0; !walk.IsEmpty() && walk != GPathName("/"); ++steps)
        {
            ASSERT_LT(steps, 8) << PortableOf(walk);
            walk = walk.GetBranch();
        }
    }
}

TEST(GPathNameTest, CountsComponentsFromTheVolumeRoot)
{
    struct Case
    {
        char const* fPath;
        int fCount;
    };
    // "a//" is kept as "a/", whose branch is "a": one step more than "a" takes.
    Case const cases[] = {
        {"/a/b", 2},          {"a/b", 2},      {"/", 0},    {"", 0},    {"/Volumes/Disk/x", 1},
        {"/Volumes/Disk", 0}, {"/Volumes", 0}, {"a//b", 2}, {"a//", 2}, {"/a//", 2},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath);
        EXPECT_EQ(GPathName(c.fPath).GetNumberOfComponents(), c.fCount);
    }
}

TEST(GPathNameTest, ComparesAndHashesIgnoringCase)
{
    GPathName const upper("/A/B");
    GPathName const lower("/a/b");
    EXPECT_TRUE(upper == lower);
    EXPECT_FALSE(upper != lower);
    EXPECT_EQ(upper.GetHash(), lower.GetHash());
    EXPECT_EQ(GPathName(GString(u"/\u00C9t\u00E9", false)), PathOf("/\xC3\xA9T\xC3\x89"));
    EXPECT_NE(GPathName("/a/b"), GPathName("/a/c"));
    EXPECT_NE(GPathName("/a"), GPathName("a"));
    // Written as UTF-16 or as UTF-8, one path is one path.
    EXPECT_EQ(GPathName(GString(u"/x/y", false)).GetHash(), PathOf("/X/Y").GetHash());
}

TEST(GPathNameTest, AppendsRelativePaths)
{
    struct Case
    {
        char const* fPath;
        char const* fRelative;
        char const* fResult;
    };
    Case const cases[] = {
        {"/a", "b", "/a/b"},  {"/", "b", "/b"},     {"", "b/c", "b/c"}, {"/a", "", "/a"},
        {"/a", "../b", "/b"}, {"a", "./b/", "a/b"}, {"a", "..", ""},    {"/a", "..", "/"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fPath) + " + " + c.fRelative);
        GPathName appended(c.fPath);
        appended.Append(GString(c.fRelative));
        EXPECT_EQ(PortableOf(appended), c.fResult);
        GPathName divided(c.fPath);
        divided /= GPathName(c.fRelative);
        EXPECT_EQ(PortableOf(divided), c.fResult);
        EXPECT_EQ(PortableOf(GPathName(c.fPath) / GPathName(c.fRelative)), c.fResult);
    }
    // Append does not check that its text is relative; the operators do.
    GPathName joined("a");
    joined.Append(GString("/b"));
    EXPECT_EQ(PortableOf(joined), "a//b");
}

TEST(GPathNameTest, RefusesToAppendAnAbsolutePath)
{
    GPathName path("/a");
    EXPECT_EQ(ErrorOf([&] { path /= GPathName("/b"); }), 40066);
    EXPECT_EQ(PortableOf(path), "/a");
    EXPECT_EQ(ErrorOf([&] { GPathName("x") / GPathName("/y"); }), 40066);
}

TEST(GPathNameTest, TellsWhetherAPathLiesInsideAnother)
{
    struct Case
    {
        char const* fPath;
        char const* fPrefix;
        bool fStartsWith;
    };
    Case const cases[] = {
        {"/a/b", "/a", true},      {"/a/b", "/", true},  {"/a/b", "/A/B", true}, {"/ab", "/a", false},
        {"/a/b", "/a/b/c", false}, {"/a", "", false},    {"", "", true},         {"/a//b", "/a/", true},
        {"a/b", "a", true},        {"a/b", "/a", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fPath) + " in " + c.fPrefix);
        EXPECT_EQ(GPathName(c.fPath).StartsWith(GPathName(c.fPrefix)), c.fStartsWith);
    }
}

TEST(GPathNameTest, MakesRelativePathsBetweenAbsoluteOnes)
{
    struct Case
    {
        char const* fPath;
        char const* fBase;
        char const* fRelative;
    };
    Case const cases[] = {
        {"/a/b/c", "/a/d", "../b/c"}, {"/a/b", "/a/b", ""}, {"/A/b", "/a", "b"},
        {"/a", "/a/b/c", "../.."},    {"/x", "/", "x"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fPath) + " from " + c.fBase);
        GPathName const relative = GPathName(c.fPath).GetRelativePathFrom(GPathName(c.fBase));
        EXPECT_EQ(PortableOf(relative), c.fRelative);
        EXPECT_EQ(GPathName(c.fBase) / relative, GPathName(c.fPath));
    }
    EXPECT_EQ(ErrorOf([] { GPathName("a").GetRelativePathFrom(GPathName("/a")); }), 40067);
    EXPECT_EQ(ErrorOf([] { GPathName("/a").GetRelativePathFrom(GPathName("")); }), 40067);
}

TEST(GPathNameTest, ReplacesLeafAndExtension)
{
    struct Case
    {
        char const* fPath;
        char const* fArgument;
        char const* fLeaf;
        char const* fExtension;
        char const* fLeafWithoutExtension;
    };
    Case const cases[] = {
        {"x/a", "b", "x/b", "x/a.b", "x/b"},
        {"/a", "b", "/b", "/a.b", "/b"},
        {"a", "b", "b", "a.b", "b"},
        {"/", "b", "/b", "/", "/b"},
        {"/x/r.txt", "pdf", "/x/pdf", "/x/r.pdf", "/x/pdf.txt"},
        {"/x/r.", "pdf", "/x/pdf", "/x/r.pdf", "/x/pdf"},
        {"/x/.cfg", "old", "/x/old", "/x/.cfg.old", "/x/old"},
        {"/x/a.b.c", "d", "/x/d", "/x/a.b.d", "/x/d.c"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fPath) + " with " + c.fArgument);
        GPathName leaf(c.fPath);
        leaf.ReplaceLeaf(GString(c.fArgument));
        EXPECT_EQ(PortableOf(leaf), c.fLeaf);
        GPathName extension(c.fPath);
        extension.ReplaceExtension(GString(c.fArgument));
        EXPECT_EQ(PortableOf(extension), c.fExtension);
        GPathName name(c.fPath);
        name.ReplaceLeafWithoutExtension(GString(c.fArgument));
        EXPECT_EQ(PortableOf(name), c.fLeafWithoutExtension);
    }
}

TEST(GPathNameTest, MakesRelativePathsAbsolute)
{
    TextCase const cases[] = {{"", "/"}, {"/a", "/a"}, {"a/b", "/a/b"}, {".x", "/.x"}, {"/", "/"}};
    for (TextCase const& c : cases)
    {
        SCOPED_TRACE(c.fIn);
        GPathName path(c.fIn);
        path.MakeRootDirectory();
        EXPECT_EQ(PortableOf(path), c.fOut);
        GPathName root(c.fIn);
        root.SetCrossPlatformRootPathString(GString("ignored"));
        EXPECT_EQ(PortableOf(root), c.fOut);
    }
    for (char const* text : {"../a", "..x"})
    {
        SCOPED_TRACE(text);
        GPathName path(text);
        EXPECT_EQ(ErrorOf([&] { path.MakeRootDirectory(); }), 40068);
        EXPECT_EQ(PortableOf(path), text);
    }
}

TEST(GPathNameTest, EmptiesAndReportsColons)
{
    GPathName path("/a/b");
    EXPECT_FALSE(path.IsEmpty());
    path.Clear();
    EXPECT_TRUE(path.IsEmpty());
    EXPECT_TRUE(path.IsRelative());
    EXPECT_TRUE(GPathName::cEmptyPathName.IsEmpty());
    EXPECT_EQ(GPathName::CheckCrossPlatformString(GString("ab:c:d")), 2);
    EXPECT_EQ(GPathName::CheckCrossPlatformString(GString("/a/b")), -1);
}

TEST(GPathNameTest, CopiesAndMovesCarryTheText)
{
    GPathName original("/a/b");
    GPathName copy(original);
    EXPECT_EQ(PortableOf(copy), "/a/b");
    GPathName assigned;
    assigned = original;
    EXPECT_EQ(PortableOf(assigned), "/a/b");
    GPathName moved(std::move(copy));
    EXPECT_EQ(PortableOf(moved), "/a/b");
    assigned = GPathName("/c");
    EXPECT_EQ(PortableOf(assigned), "/c");
    GPathName const& same = assigned;
    assigned = same;
    EXPECT_EQ(PortableOf(assigned), "/c");
}

// --- text forms without volumes ---

TEST(GPathNameTextFormsTest, NativeMachOAndUNCFormsAreThePortableText)
{
    GPathName path("/Users/me/a b.txt");
    EXPECT_EQ(Utf8Of(path.GetNativePathString()), "/Users/me/a b.txt");
    EXPECT_EQ(Utf8Of(path.GetMachOPathString()), "/Users/me/a b.txt");
    EXPECT_EQ(Utf8Of(path.GetUNCPathString()), "/Users/me/a b.txt");
    path.SetNativePathString(GString("/x/./y/"));
    EXPECT_EQ(PortableOf(path), "/x/y");
    path.SetMachOPathString(GString("a/../b"));
    EXPECT_EQ(PortableOf(path), "b");
    path.SetUNCPathString(GString("//srv/share/"));
    EXPECT_EQ(PortableOf(path), "//srv/share");
}

TEST(GPathNameTextFormsTest, ConvertsWindowsPaths)
{
    TextCase const toPortable[] = {
        {"C:\\x\\y", "C:/x/y"},
        {"\\\\?\\C:\\a", "C:/a"},
        {"\\\\?\\UNC\\srv\\share", "/srv/share"},
        {"\\\\srv\\share", "//srv/share"},
        {"a\\.\\b", "a/b"},
        {"", ""},
    };
    for (TextCase const& c : toPortable)
    {
        SCOPED_TRACE(c.fIn);
        GPathName path;
        path.SetWin32PathString(GString(c.fIn));
        EXPECT_EQ(PortableOf(path), c.fOut);
    }
    EXPECT_EQ(Utf8Of(GPathName("/a/b").GetWin32PathString()), "\\a\\b");
    EXPECT_EQ(Utf8Of(GPathName("a").GetWin32PathString()), "a");
    EXPECT_TRUE(GPathName().GetWin32PathString().IsEmpty());
}

TEST(GPathNameTextFormsTest, WritesFileURLs)
{
    EXPECT_EQ(Utf8Of(GPathName("/a b&c").GetURLPathString()), "file:///a%20b&amp;c");
    EXPECT_EQ(Utf8Of(GPathName("/Users/x/My File.pdf").GetURLPathString()), "file:///Users/x/My%20File.pdf");
    testsupport::TempFolder folder;
    testsupport::CurrentFolderScope inside(folder.Path());
    EXPECT_EQ(Utf8Of(GPathName("sub/f 1.txt").GetURLPathString()),
              "file://" + folder.String() + "/sub/f%201.txt");
}

TEST(GPathNameTextFormsTest, MakesFileNamesValidForTheChosenPlatforms)
{
    struct Case
    {
        int fPlatforms;
        char const* fName;
        char const* fValid;
    };
    Case const cases[] = {
        {GPathName::cClassicMacPlatform | GPathName::cMacOSPlatform, "a/b:c", "a-b-c"},
        {GPathName::cClassicMacPlatform | GPathName::cUNIXPlatform, "a/b:c", "a-b-c"},
        {GPathName::cClassicMacPlatform, "a/b:c", "a/b-c"},
        {0, "a/b:c", "a-b:c"},
        {GPathName::cMacOSPlatform, "a/b:c", "a-b:c"},
        {GPathName::cWindowsPlatform, "a/b:c", "a-b-c"},
        {GPathName::cWindowsPlatform, "<a\\b*?\"|>", "-a-b-----"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.fPlatforms) + " " + c.fName);
        GString name(c.fName);
        GPathName::CreateValidFileName(name, c.fPlatforms, '-');
        EXPECT_EQ(Utf8Of(name), c.fValid);
    }
}

TEST(GPathNameTextFormsTest, RefusesURLsAsDeviceIndependentPaths)
{
    for (char const* text : {"http://example.com/a", "ftp://host/a"})
    {
        SCOPED_TRACE(text);
        GPathName path("/kept");
        EXPECT_EQ(ErrorOf([&] { path.SetDIPathString(GString(text)); }), 40090);
        EXPECT_EQ(PortableOf(path), "/kept");
    }
    GPathName relative;
    relative.SetDIPathString(GString("a/ftp://b"));
    EXPECT_EQ(PortableOf(relative), "a/ftp://b");
}
