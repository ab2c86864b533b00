// The user's interface language among the shipped ones, as the user's preferred languages decide.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BufferText.h"
#include "GCVLocale.h"
#include "StringText.h"
#include "macos/CFArrayStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CFStringStandIn.h"

namespace
{
// Stores the user's preferred languages ("AppleLanguages") for the test and removes them after it.
class GCVLocaleTest : public ::testing::Test
{
protected:
    void TearDown() override { Store(nullptr); }

    static void SetLanguages(std::vector<char const*> const& languages)
    {
        std::vector<void const*> values;
        for (char const* language : languages)
            values.push_back(CFStringCreateWithCString(kCFAllocatorDefault, language, kCFStringEncodingUTF8));
        CFArrayRef const list =
            CFArrayCreate(kCFAllocatorDefault, values.data(), CFIndex(values.size()), &kCFTypeArrayCallBacks);
        for (void const* value : values)
            CFRelease(value);
        Store(list);
        CFRelease(list);
    }

private:
    static void Store(CFArrayRef list)
    {
        CFPreferencesSetValue(CFSTR("AppleLanguages"), list, kCFPreferencesAnyApplication,
                              kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    }
};
} // namespace

TEST_F(GCVLocaleTest, TheNineShippedCodesAreAppendedInTheirOrder)
{
    GTable<GBuffer> codes;
    codes.AddItem(GBuffer("xxXX"));
    GCVLocale::GetSupportedLangCodes(codes);
    std::vector<std::string> got;
    for (int i = 0; i < codes.GetCount(); ++i)
        got.push_back(testsupport::TextOf(codes[i]));
    EXPECT_EQ(got, (std::vector<std::string>{"xxXX", "enUS", "deDE", "esES", "frFR", "itIT", "nlNL", "jaJA",
                                             "plPL", "zhCN"}));
    GCVLocale::GetSupportedLangCodes(codes);
    EXPECT_EQ(codes.GetCount(), 19);
}

TEST_F(GCVLocaleTest, TheFirstPreferredLanguageThatIsShippedWins)
{
    struct Case
    {
        std::vector<char const*> preferred;
        char const* expected;
    } const cases[] = {
        {{"de-DE"}, "deDE"},
        {{"de-AT", "fr-FR"}, "deDE"},
        {{"sv-SE", "fr-CA", "de-DE"}, "frFR"},
        {{"ja-JP"}, "jaJA"},
        {{"JA"}, "jaJA"},
        {{"nl"}, "nlNL"},
        {{"sv-SE", "fi-FI"}, "enUS"},
        {{}, "enUS"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.expected);
        SetLanguages(c.preferred);
        EXPECT_EQ(testsupport::Utf8Of(GCVLocale::GetCurrentLanguage()), c.expected);
    }
}
