// Text and files crossing between the foundation and the InDesign host: every character survives
// both ways, the host does not translate what the plug-in hands it, and a path reaches the host as
// the same file on disk whatever its characters.
#include <gtest/gtest.h>

#include <string>

#include "FileTree.h"
#include "GIDCSConvertMethods.h"
#include "GIDCSPHelperMethods.h"
#include "GString.h"
#include "PMString.h"
#include "StringText.h"
#include "TempFolder.h"

namespace
{
using testsupport::TextOf;
using testsupport::Utf8Of;
} // namespace

TEST(GIDCSConvertMethodsTest, TextCrossesToTheHostAndBackUnchangedAndUntranslated)
{
    char const* const texts[] = {
        "", "Brochure.indd", "Größe – €", "日本語のカタログ", "emoji 😀 pair", "tab\tline\nend"};
    for (char const* text : texts)
    {
        SCOPED_TRACE(text);
        PMString host;
        GIDCSConvertMethods::ConvertToPMString(TextOf(text), host);
        EXPECT_EQ(host.GetUTF8(), text);
        EXPECT_FALSE(host.IsTranslatable());
        GString back("stale");
        GIDCSConvertMethods::ConvertToGString(host, back);
        EXPECT_EQ(Utf8Of(back), text);
    }
}

TEST(GIDCSConvertMethodsTest, APathReachesTheHostAsTheSameFile)
{
    testsupport::TempFolder folder;
    char const* const leaves[] = {"plain.pdf", "with blank.pdf", "Größe.pdf", "a:b.pdf", "日本.pdf"};
    for (char const* leaf : leaves)
    {
        SCOPED_TRACE(leaf);
        std::filesystem::path const file = folder / leaf;
        testsupport::WriteFile(file, leaf);
        IDFile const host = GIDCSConvertMethods::ConvertToIDFile(testsupport::PathOf(file));
        EXPECT_EQ(host.GetPOSIXPath(), file.string());
        EXPECT_TRUE(host.Exists());
        EXPECT_EQ(host.GetFileName(), leaf);
    }
    EXPECT_TRUE(GIDCSConvertMethods::ConvertToIDFile(GPathName()).IsEmpty());
}

TEST(GIDCSPHelperMethodsTest, AFailureReadsPluginErrorWithTheMessageAndWhatFollows)
{
    struct Case
    {
        int fID;
        char const* fExtra;
        char const* fText;
    };
    Case const cases[] = {
        {30060007, "", "Plug-in Error: Unable to execute PDF Export command"},
        {11010032, "", "Plug-in Error: Pages"},
        {30060011, "\n    1. Minion Pro\n",
         "Plug-in Error: Font is Missing! Correct the following font and try again:\n    1. Minion Pro\n"},
        {0, "", "Plug-in Error: "},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fID);
        GString text("stale");
        GIDCSPHelperMethods::ToLocaleString(c.fID, TextOf(c.fExtra), text);
        EXPECT_EQ(Utf8Of(text), c.fText);
    }
}
