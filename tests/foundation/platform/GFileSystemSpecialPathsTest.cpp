// The special-path registry: defaults computed from the known folders on first use, overrides, and
// forgetting them again.
#include <gtest/gtest.h>

#include <string>

#include "FileTree.h"
#include "GFileSystem.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/FoundationStandIn.h"

namespace
{
using testsupport::PathOf;
using testsupport::Utf8Of;

// The user's home and the local domain live in a fresh folder; the registry starts empty.
class SpecialPathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FoundationStandInSetHomeDirectory((fRoot / "home").c_str());
        FoundationStandInSetLocalDomainRoot((fRoot / "local").c_str());
        GFileSystem::RemoveAllSpecialPaths();
    }
    void TearDown() override
    {
        GFileSystem::RemoveAllSpecialPaths();
        FoundationStandInSetHomeDirectory(nullptr);
        FoundationStandInSetLocalDomainRoot(nullptr);
    }

    std::string Special(int id) const { return Utf8Of(GFileSystem::GetSpecialPath(id).GetCrossPlatformString()); }
    std::string Under(std::string const& relative) const { return (fRoot / relative).string(); }

    testsupport::TempFolder fRoot{"sendrix-special"};
};
} // namespace

TEST_F(SpecialPathsTest, DefaultsComeFromTheKnownFolders)
{
    struct Case
    {
        int fID;
        std::string fPath;
    };
    Case const cases[] = {
        {-2, "/tmp"},
        {-3, Under("local/Library/Preferences")},
        {-4, Under("home/Library/Preferences")},
        {-8, Under("home/Library/Application Support")},
        {33, Under("local/Library/Preferences/Zolvane Prefs Folder")},
        {35, Under("home/Library/Preferences/Zolvane Prefs Folder")},
        {53, Under("home/Library/Application Support/Zolvane")},
        {-1, "/System"},
        {-7, "/System"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fID);
        EXPECT_EQ(Special(c.fID), c.fPath);
    }
    std::string const resources = Special(11);
    EXPECT_FALSE(resources.empty());
    for (auto const& [id, leaf] : {std::pair{7, "CMap"}, {21, "FontMetrics"}, {22, "Lng"}, {23, "ICC"},
                                    {52, "xml"}, {54, "Artwork"}})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(Special(id), resources + "/" + leaf);
    }
    EXPECT_FALSE(Special(-5).empty());
    EXPECT_FALSE(Special(-6).empty());
}

TEST_F(SpecialPathsTest, AnIdWithoutADefaultIsEmptyUntilRegistered)
{
    EXPECT_TRUE(GFileSystem::GetSpecialPath(36).IsEmpty());
    GFileSystem::AddSpecialPath(36, PathOf(fRoot / "data"));
    EXPECT_EQ(Special(36), Under("data"));
    GFileSystem::RemoveSpecialPath(36);
    EXPECT_TRUE(GFileSystem::GetSpecialPath(36).IsEmpty());
}

TEST_F(SpecialPathsTest, ADefaultIsComputedOnceAndThenServed)
{
    std::string const cmap = Special(7);
    GFileSystem::AddSpecialPath(11, PathOf(fRoot / "elsewhere"));
    EXPECT_EQ(Special(7), cmap) << "an entry once stored stays";
    GFileSystem::RemoveSpecialPath(7);
    EXPECT_EQ(Special(7), Under("elsewhere/CMap"));
}

TEST_F(SpecialPathsTest, OverridesLastUntilTheDefaultIsAskedForAgain)
{
    GFileSystem::AddSpecialPath(22, PathOf(fRoot / "strings"));
    EXPECT_EQ(Special(22), Under("strings"));
    GFileSystem::SetSpecialPathToDefault(22);
    EXPECT_EQ(Special(22), Special(11) + "/Lng");

    GFileSystem::AddSpecialPath(-2, PathOf(fRoot / "temp"));
    GFileSystem::RemoveAllSpecialPaths();
    EXPECT_EQ(Special(-2), "/tmp");
}
