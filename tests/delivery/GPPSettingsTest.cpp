// What a Sendrixor record's paths tell: the build number and the GUID below the Sendrixors' cache.
#include <gtest/gtest.h>

#include "GFileSystem.h"
#include "GPPSettings.h"
#include "RegistryFolders.h"

namespace
{
class GPPSettingsTest : public ::testing::Test
{
protected:
    deliverytest::RegistryFolders fFolders;
};

GPathName Below(char const* relative)
{
    return deliverytest::RegistryFolders::Base() / GPathName(relative);
}
} // namespace

TEST_F(GPPSettingsTest, TheBuildNumberIsTheFirstComponentBelowTheCache)
{
    struct Case
    {
        GPathName fPath;
        int fBuild;
    };
    Case const cases[] = {
        {Below("Sendrixor/Cache/1234/App/x"), 1234},
        {Below("Sendrixor/Cache/666"), 666},
        {Below("Sendrixor/Other/1234/App/x"), 0},
        {GPathName(GString("/elsewhere/1234/App")), 0},
        {GPathName(), 0},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fBuild);
        GPPSettings settings;
        settings.fApplicationPath = entry.fPath;
        EXPECT_EQ(GPPSettings::GetBuildNumber(settings), entry.fBuild);
    }
}

TEST_F(GPPSettingsTest, TheGUIDIsTheFirstComponentBelowTheSettingsFolder)
{
    GPPSettings settings;
    GString guid("left over");
    EXPECT_FALSE(GPPSettings::GetGUID(settings, guid));
    EXPECT_TRUE(guid.IsEmpty());
    settings.fContextFilePath = Below("Sendrixor/Cache/Settings/ABC/project");
    EXPECT_TRUE(GPPSettings::GetGUID(settings, guid));
    EXPECT_TRUE(guid == GString("ABC"));
    settings.fContextFilePath = Below("Sendrixor/Cache/Elsewhere/ABC/project");
    EXPECT_TRUE(GPPSettings::GetGUID(settings, guid));
    EXPECT_TRUE(guid.IsEmpty());
}

TEST_F(GPPSettingsTest, UpdatingTheGUIDReplacesItInTheContextPath)
{
    GPPSettings settings;
    settings.fContextFilePath = Below("Sendrixor/Cache/Settings/ABC/project");
    EXPECT_TRUE(GPPSettings::UpdateGUID(GString("ABC"), settings));
    EXPECT_TRUE(GPPSettings::UpdateGUID(GString("XYZ"), settings));
    EXPECT_TRUE(settings.fContextFilePath == Below("Sendrixor/Cache/Settings/XYZ/project"));
    settings.fContextFilePath = GPathName();
    EXPECT_FALSE(GPPSettings::UpdateGUID(GString("XYZ"), settings));
}
