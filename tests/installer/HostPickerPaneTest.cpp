// What the pane bundle exports by name: its constants, the display names it gives and the folder
// scan, called through the loaded module as the installer's other steps would call them.
#include "PaneFixture.h"

namespace fs = std::filesystem;
using panetest::MakeBundle;
using panetest::MakeInstallation;
using panetest::MakeString;
using panetest::Symbol;
using panetest::UTF8Of;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

namespace
{
typedef CFStringRef (*GetDisplayName)(CFArrayRef);
typedef CFArrayRef (*GetBundles)(CFStringRef, CFMutableArrayRef, int);

std::vector<std::string> Texts(CFArrayRef array)
{
    std::vector<std::string> texts;
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i)
        texts.push_back(UTF8Of(static_cast<CFStringRef>(CFArrayGetValueAtIndex(array, i))));
    return texts;
}

CFMutableArrayRef ArrayOf(std::vector<std::string> const& texts)
{
    CFMutableArrayRef const array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (std::string const& text : texts)
        CFArrayAppendValue(array, MakeString(text));
    return static_cast<CFMutableArrayRef>(const_cast<void*>(CFAutorelease(array)));
}

class HostPickerPaneTest : public ::testing::Test
{
protected:
    ~HostPickerPaneTest() override { fPool->drain(); }

    NSAutoreleasePool* fPool = new NSAutoreleasePool;
    testsupport::TempFolder fTemp{"sendrix-pane"};
    GetDisplayName fGetDisplayName = reinterpret_cast<GetDisplayName>(Symbol("getDisplayName"));
    GetBundles fGetBundles = reinterpret_cast<GetBundles>(Symbol("getBundles"));
};

TEST_F(HostPickerPaneTest, ExportsItsConstants)
{
    auto text = [](char const* name)
    {
        void* const symbol = Symbol(name);
        return symbol ? UTF8Of(*static_cast<CFStringRef const*>(symbol)) : std::string();
    };
    auto number = [](char const* name)
    {
        void* const symbol = Symbol(name);
        return symbol ? *static_cast<int const*>(symbol) : -1;
    };
    EXPECT_EQ(text("cCSAppId"), "com.adobe.InDesign");
    EXPECT_EQ(text("cCSAppFolder"), "InDesign");
    EXPECT_EQ(text("cCSAppDisplayName"), "InDesign CC 2025");
    EXPECT_EQ(number("cCSVersionSupported"), 20);
    EXPECT_EQ(number("cCSBundleVersionDivFactor"), 1000);
    EXPECT_EQ(number("cRecursiveDirDepth"), 1);
}

TEST_F(HostPickerPaneTest, GivesANameNotYetAmongTheExistingOnes)
{
    ASSERT_NE(fGetDisplayName, nullptr);
    struct Case
    {
        std::vector<std::string> fExisting;
        char const* fName;
    };
    Case const cases[] = {
        {{}, "InDesign CC 2025"},
        {{"Something Else"}, "InDesign CC 2025"},
        {{"InDesign CC 2025"}, "InDesign CC 2025 (1)"},
        {{"indesign cc 2025", "INDESIGN CC 2025 (1)"}, "InDesign CC 2025 (2)"},
        // The number is the place of the name it met, walking on from there.
        {{"Other", "InDesign CC 2025"}, "InDesign CC 2025 (2)"},
        {{"InDesign CC 2025 (1)", "InDesign CC 2025"}, "InDesign CC 2025 (2)"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fName);
        EXPECT_EQ(UTF8Of(fGetDisplayName(ArrayOf(test.fExisting))), test.fName);
    }

    // Names appended one after another are all different.
    CFMutableArrayRef const names = ArrayOf({});
    for (int i = 0; i < 4; ++i)
        CFArrayAppendValue(names, fGetDisplayName(names));
    EXPECT_THAT(Texts(names), ElementsAre("InDesign CC 2025", "InDesign CC 2025 (1)", "InDesign CC 2025 (2)",
                                          "InDesign CC 2025 (3)"));
}

TEST_F(HostPickerPaneTest, FindsSupportedInstallationsInTheFolderAndOneLevelOfInDesignFolders)
{
    ASSERT_NE(fGetBundles, nullptr);
    fs::path const root = fTemp / "Applications";
    MakeInstallation(root / "Adobe InDesign 2025");
    MakeBundle(root / "Adobe InDesign 2025" / "Helper.app", "com.adobe.InDesign.Helper", "20500");
    MakeBundle(root / "B InDesign" / "Upper.app", "COM.ADOBE.INDESIGN", "20999");
    MakeBundle(root / "C InDesign" / "Old.app", "com.adobe.InDesign", "19999");
    MakeBundle(root / "D InDesign" / "New.app", "com.adobe.InDesign", "21000");
    MakeBundle(root / "E InDesign" / "Plugin.bundle", "com.adobe.InDesign", "20500", "BNDLInDn");
    MakeBundle(root / "F InDesign" / "Typed.app", "com.adobe.InDesign", "20500", nullptr);
    MakeInstallation(root / "G Suite");
    MakeInstallation(root / "H InDesign" / "InDesign Deeper");
    MakeInstallation(root, "InDesign");
    // A plain file is no bundle.
    std::ofstream(root / "InDesign Notes.txt") << "notes";

    struct Case
    {
        int fDepth;
        std::vector<std::string> fFolders;
    };
    Case const cases[] = {
        {0, {root.string()}},
        {1, {(root / "Adobe InDesign 2025").string(), (root / "B InDesign").string(), root.string()}},
        {2,
         {(root / "Adobe InDesign 2025").string(), (root / "B InDesign").string(),
          (root / "H InDesign" / "InDesign Deeper").string(), root.string()}},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fDepth);
        CFMutableArrayRef const names = ArrayOf({"InDesign CC 2025"});
        CFArrayRef const folders = fGetBundles(MakeString(root.string()), names, test.fDepth);
        EXPECT_THAT(Texts(folders), ElementsAreArray(test.fFolders));
        // A name for each folder found, after the names there were.
        std::vector<std::string> expected = {"InDesign CC 2025"};
        for (std::size_t i = 0; i < test.fFolders.size(); ++i)
            expected.push_back("InDesign CC 2025 (" + std::to_string(i + 1) + ")");
        EXPECT_THAT(Texts(names), ElementsAreArray(expected));
    }
}

TEST_F(HostPickerPaneTest, ListsAnInstallationReachedThroughLinksOnce)
{
    ASSERT_NE(fGetBundles, nullptr);
    fs::path const root = fTemp / "Applications";
    MakeInstallation(root / "Adobe InDesign 2025");
    MakeInstallation(root / "Other InDesign");
    // A link to the installation's folder, one to its application, and one to the folder scanned.
    fs::create_directory_symlink(root / "Adobe InDesign 2025", root / "InDesign Link");
    fs::create_directory_symlink(root / "Adobe InDesign 2025" / "Adobe InDesign 2025.app", root / "InDesign.app");
    fs::create_directory_symlink(root, root / "Z InDesign Applications");

    CFMutableArrayRef const names = ArrayOf({});
    CFArrayRef const folders = fGetBundles(MakeString(root.string()), names, 1);
    EXPECT_THAT(Texts(folders),
                ElementsAre((root / "Adobe InDesign 2025").string(), (root / "Other InDesign").string()));
    EXPECT_THAT(Texts(names), ElementsAre("InDesign CC 2025", "InDesign CC 2025 (1)"));
}

TEST_F(HostPickerPaneTest, FindsNothingWhereThereIsNoFolder)
{
    ASSERT_NE(fGetBundles, nullptr);
    CFMutableArrayRef const names = ArrayOf({});
    EXPECT_THAT(Texts(fGetBundles(MakeString((fTemp / "Missing").string()), names, 1)), IsEmpty());
    EXPECT_THAT(Texts(fGetBundles(nullptr, names, 1)), IsEmpty());
    EXPECT_THAT(Texts(names), IsEmpty());
}
} // namespace
