// Strings files as bundles keep their texts: the reader of their entries, and a bundle's texts
// looked up through its localisations.
#include "macos/StringsFileStandIn.h"
#include "TempFolder.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/FoundationStandIn.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace
{
typedef std::map<std::string, std::string> Entries;

// Every byte of the literal, zero bytes included, but not its terminator.
template<std::size_t N>
std::string Bytes(char const (&text)[N])
{
    return std::string(text, N - 1);
}

TEST(StringsFileStandInTest, ReadsEntriesInEveryFormTheyTake)
{
    struct Case
    {
        char const* fName;
        std::string fBytes;
        Entries fEntries;
    };
    Case const cases[] = {
        {"quoted",
         "\"PaneTitle\" = \"Choose %@\";\n\"Browse\"=\"Browse...\";",
         {{"Browse", "Browse..."}, {"PaneTitle", "Choose %@"}}},
        {"comments",
         "/* a\n comment */ \"a\" = \"1\"; // to the line's end\n\"b\" = \"2\";",
         {{"a", "1"}, {"b", "2"}}},
        {"bare", "key_1 = value.2/x;\nalone;", {{"alone", "alone"}, {"key_1", "value.2/x"}}},
        {"escapes",
         "\"e\" = \"\\\"\\\\\\n\\t\\r\\U00e9\\uD83D\\uDE00\";",
         {{"e", "\"\\\n\t\r\xC3\xA9\xF0\x9F\x98\x80"}}},
        {"later wins", "\"k\" = \"1\"; \"k\" = \"2\";", {{"k", "2"}}},
        {"utf-8 mark", "\xEF\xBB\xBF\"k\" = \"\xC3\xA9\";", {{"k", "\xC3\xA9"}}},
        {"utf-16le", Bytes("\xFF\xFE\"\0k\0\"\0=\0\"\0\xE9\0\"\0;\0"), {{"k", "\xC3\xA9"}}},
        {"utf-16be", Bytes("\xFE\xFF\0\"\0k\0\"\0=\0\"\0\xE9\0\"\0;"), {{"k", "\xC3\xA9"}}},
        {"empty", "", {}},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fName);
        Entries entries;
        std::string error;
        EXPECT_TRUE(StringsFileStandInRead(test.fBytes, entries, &error)) << error;
        EXPECT_EQ(entries, test.fEntries);
    }
}

TEST(StringsFileStandInTest, RefusesWhatIsNoStringsFile)
{
    struct Case
    {
        std::string fBytes;
        char const* fError;
    };
    Case const cases[] = {
        {"\"k\" = \"v\"", "the entry \"k\" has no \";\""},
        {"\"k\" = \"v;", "unterminated string"},
        {"/* open", "unterminated comment"},
        {"\"k\" = ;", "a string was expected"},
        {"\"k\" = \"\\q\";", "unknown escape \\q"},
        {"\"k\" = \"\\U12\";", "a \\U escape without its four digits"},
        {"\"k\" = \"\\UDC00\";", "a lone surrogate"},
        {"\"k\" = \"\\UD800x\";", "a lone surrogate"},
        {"\"k\" = \"\xC3\";", "the text is not UTF-8"},
        {Bytes("\xFF\xFE\"\0k"), "UTF-16 text of an odd number of bytes"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fBytes);
        Entries entries = {{"kept", "as it was"}};
        std::string error;
        EXPECT_FALSE(StringsFileStandInRead(test.fBytes, entries, &error));
        EXPECT_EQ(error, test.fError);
        EXPECT_EQ(entries.size(), 1u);
    }
}

class LocalizedStringTest : public ::testing::Test
{
protected:
    LocalizedStringTest()
    {
        fs::create_directories(fTemp / "Pane.bundle" / "Contents" / "Resources");
        std::ofstream(fTemp / "Pane.bundle" / "Contents" / "Info.plist")
            << "<plist><dict><key>CFBundleDevelopmentRegion</key><string>English</string></dict></plist>";
        Table("English", "Localizable", "\"Title\" = \"English title\";\n\"Only\" = \"only English\";");
        Table("de", "Localizable", "\"Title\" = \"Deutscher Titel\";");
        Table("de", "Other", "\"Title\" = \"Anderer Titel\";");
        Table("fr", "Localizable", "\"Title\" = \"damaged");
    }
    ~LocalizedStringTest() override
    {
        CFPreferencesStandInReset();
        fPool->drain();
    }

    void Table(std::string const& language, std::string const& table, std::string const& text)
    {
        fs::path const folder = fTemp / "Pane.bundle" / "Contents" / "Resources" / (language + ".lproj");
        fs::create_directories(folder);
        std::ofstream(folder / (table + ".strings")) << text;
    }

    void Languages(std::vector<CFStringRef> languages)
    {
        CFArrayRef const list =
            CFArrayCreate(kCFAllocatorDefault, reinterpret_cast<void const**>(languages.data()),
                          static_cast<CFIndex>(languages.size()), &kCFTypeArrayCallBacks);
        CFPreferencesSetAppValue(CFSTR("AppleLanguages"), list, kCFPreferencesAnyApplication);
        CFRelease(list);
    }

    std::string Text(CFStringRef key, CFStringRef value = nullptr, CFStringRef table = nullptr)
    {
        std::string const path = (fTemp / "Pane.bundle").string();
        CFStringRef const folder =
            CFStringCreateWithCString(kCFAllocatorDefault, path.c_str(), kCFStringEncodingUTF8);
        NSBundle* const bundle = NSBundle::bundleWithPath(folder);
        CFRelease(folder);
        return CFStringStandInGetUTF8(bundle->localizedStringForKey(key, value, table));
    }

    NSAutoreleasePool* fPool = new NSAutoreleasePool;
    testsupport::TempFolder fTemp{"sendrix-strings"};
};

TEST_F(LocalizedStringTest, LooksInTheBestLocalisationThatHasTheTable)
{
    Languages({CFSTR("de-CH"), CFSTR("en")});
    EXPECT_EQ(Text(CFSTR("Title")), "Deutscher Titel");
    EXPECT_EQ(Text(CFSTR("Title"), nullptr, CFSTR("Other")), "Anderer Titel");
    // A key the best table lacks is not looked for in the others.
    EXPECT_EQ(Text(CFSTR("Only")), "Only");
    EXPECT_EQ(Text(CFSTR("Only"), CFSTR("fallback")), "fallback");
    EXPECT_EQ(Text(CFSTR("Title"), nullptr, CFSTR("Missing")), "Title");

    Languages({CFSTR("it")});
    EXPECT_EQ(Text(CFSTR("Only")), "only English");

    // A table that does not read is passed over, with a line on standard error.
    Languages({CFSTR("fr")});
    testing::internal::CaptureStderr();
    EXPECT_EQ(Text(CFSTR("Title")), "English title");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "fr.lproj/Localizable.strings skipped: unterminated string"),
              std::string::npos);
}
} // namespace
