// The stand-in for the macOS system calls behind the system queries, where it does more than the
// queries show: preference domains and the default language list, loaded bundles by identifier,
// C strings, the processor-name buffer rules, and I/O Kit calls given what they cannot use.
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include "macos/CFArrayStandIn.h"
#include "macos/CFBundleStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CoreServicesStandIn.h"
#include "macos/IOKitStandIn.h"
#include "macos/SysctlStandIn.h"

namespace
{
CFStringRef MakeString(char const* utf8)
{
    return CFStringCreateWithCString(kCFAllocatorDefault, utf8, kCFStringEncodingUTF8);
}

// The first entry of a language list as UTF-8; "(none)" without a list or an entry. Releases the list.
std::string FirstLanguage(CFPropertyListRef list)
{
    if (!list)
        return "(none)";
    CFArrayRef const languages = static_cast<CFArrayRef>(list);
    std::string const first =
        CFArrayGetCount(languages) > 0
            ? CFStringStandInGetUTF8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(languages, 0)))
            : "(none)";
    CFRelease(list);
    return first;
}

CFArrayRef MakeList(char const* language)
{
    CFStringRef string = MakeString(language);
    void const* values[] = {string};
    CFArrayRef list = CFArrayCreate(kCFAllocatorDefault, values, 1, &kCFTypeArrayCallBacks);
    CFRelease(string);
    return list;
}

std::string UserLanguage()
{
    return FirstLanguage(CFPreferencesCopyValue(CFSTR("AppleLanguages"), kCFPreferencesAnyApplication,
                                                kCFPreferencesCurrentUser, kCFPreferencesAnyHost));
}

std::string ApplicationLanguage()
{
    return FirstLanguage(
        CFPreferencesCopyAppValue(CFSTR("AppleLanguages"), kCFPreferencesCurrentApplication));
}

class MacSystemStandInTest : public ::testing::Test
{
protected:
    void TearDown() override { CFPreferencesStandInReset(); }
};
} // namespace

TEST_F(MacSystemStandInTest, UsersLanguagesStartAsTheProcessLocale)
{
    std::string const language = UserLanguage();
    std::string const locale = std::setlocale(LC_MESSAGES, nullptr);
    // A program runs in the C locale until it chooses another; a chosen one loses its code set.
    if (locale == "C" || locale == "POSIX")
        EXPECT_EQ(language, "en");
    else
        EXPECT_EQ(language.find_first_of("_.@"), std::string::npos);
    // Nothing but the list of every application is there at first.
    EXPECT_EQ(ApplicationLanguage(), language);
    EXPECT_EQ(CFPreferencesCopyValue(CFSTR("AppleLanguages"), kCFPreferencesCurrentApplication,
                                     kCFPreferencesCurrentUser, kCFPreferencesAnyHost),
              nullptr);
}

TEST_F(MacSystemStandInTest, AnApplicationsOwnValueHidesTheSharedOneUntilRemoved)
{
    CFArrayRef const japanese = MakeList("ja-JP");
    CFArrayRef const german = MakeList("de-DE");
    CFPreferencesSetValue(CFSTR("AppleLanguages"), german, kCFPreferencesAnyApplication,
                          kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    CFPreferencesSetAppValue(CFSTR("AppleLanguages"), japanese, kCFPreferencesCurrentApplication);
    // The store holds its own references.
    CFRelease(japanese);
    CFRelease(german);
    EXPECT_EQ(ApplicationLanguage(), "ja-JP");
    EXPECT_EQ(UserLanguage(), "de-DE");

    CFPreferencesSetAppValue(CFSTR("AppleLanguages"), nullptr, kCFPreferencesCurrentApplication);
    EXPECT_EQ(ApplicationLanguage(), "de-DE");
    CFPreferencesSetValue(CFSTR("AppleLanguages"), nullptr, kCFPreferencesAnyApplication,
                          kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    EXPECT_EQ(ApplicationLanguage(), "(none)");
    EXPECT_EQ(UserLanguage(), "(none)");

    CFPreferencesStandInReset();
    EXPECT_NE(UserLanguage(), "(none)");
}

TEST_F(MacSystemStandInTest, LoadedBundlesAreFoundByTheirIdentifier)
{
    CFStringRef const identifier = MakeString("com.example.standin.bundle");
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(identifier), nullptr);

    CFURLRef const first = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>("/Library/One.bundle"), 19, true);
    CFBundleStandInRegister(identifier, first);
    CFRelease(first);
    CFBundleRef const found = CFBundleGetBundleWithIdentifier(identifier);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(CFStringStandInGetUTF8(CFBundleGetIdentifier(found)), "com.example.standin.bundle");
    CFURLRef const url = CFBundleCopyBundleURL(found);
    CFStringRef const path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
    EXPECT_EQ(CFStringStandInGetUTF8(path), "/Library/One.bundle");
    CFRelease(path);
    CFRelease(url);

    // A later registration is the one found; the earlier bundle stays valid.
    CFBundleStandInRegister(identifier, nullptr);
    EXPECT_NE(CFBundleGetBundleWithIdentifier(identifier), found);
    EXPECT_EQ(CFBundleCopyBundleURL(CFBundleGetBundleWithIdentifier(identifier)), nullptr);
    EXPECT_EQ(CFStringStandInGetUTF8(CFBundleGetIdentifier(found)), "com.example.standin.bundle");
    CFRelease(identifier);

    CFURLRef const missing = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>("/no/such/folder"), 15, true);
    EXPECT_EQ(CFBundleCreate(kCFAllocatorDefault, missing), nullptr);
    CFRelease(missing);
}

// The platform stops on a missing array rather than answering for it, so a query that forgets to
// check for a missing list must stop here too.
TEST(MacSystemStandInDeathTest, AskingNoArrayStopsTheProcess)
{
    EXPECT_DEATH(CFArrayGetCount(nullptr), "CFArrayGetCount called with NULL");
    EXPECT_DEATH(CFArrayGetValueAtIndex(nullptr, 0), "CFArrayGetValueAtIndex called with NULL");
}

TEST_F(MacSystemStandInTest, CStringsNeedRoomForTheirTerminator)
{
    CFStringRef const string = MakeString("Zo\xC3\xAB");
    char buffer[8];
    struct Case
    {
        CFIndex fSize;
        bool fFits;
    };
    // Four bytes of UTF-8 and the zero byte.
    Case const cases[] = {{8, true}, {5, true}, {4, false}, {1, false}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fSize);
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(CFStringGetCString(string, buffer, c.fSize, kCFStringEncodingUTF8) != 0, c.fFits);
        if (c.fFits)
        {
            EXPECT_STREQ(buffer, "Zo\xC3\xAB");
        }
    }
    // In Mac OS Roman the character is one byte.
    EXPECT_TRUE(CFStringGetCString(string, buffer, sizeof buffer, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buffer, "Zo\x91");
    CFRelease(string);
    EXPECT_EQ(CFStringCreateWithCString(kCFAllocatorDefault, "\xC3", kCFStringEncodingUTF8), nullptr);
}

TEST_F(MacSystemStandInTest, ProcessorNameIsMeasuredAndCutAsOnThePlatform)
{
    std::size_t needed = 0;
    if (sysctlbyname("machdep.cpu.brand_string", nullptr, &needed, nullptr, 0) != 0)
    {
        EXPECT_EQ(errno, ENOENT);
        GTEST_SKIP() << "this machine's processor names no model";
    }
    ASSERT_GT(needed, 1u);
    std::string full(needed, 'x');
    std::size_t size = needed;
    EXPECT_EQ(sysctlbyname("machdep.cpu.brand_string", &full[0], &size, nullptr, 0), 0);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(full.back(), '\0');

    char shortBuffer[4];
    size = sizeof shortBuffer;
    errno = 0;
    EXPECT_EQ(sysctlbyname("machdep.cpu.brand_string", shortBuffer, &size, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOMEM);
    EXPECT_EQ(std::string(shortBuffer, 4), full.substr(0, 4));

    char value[8] = "x";
    size = sizeof value;
    EXPECT_EQ(sysctlbyname("hw.unknown", value, &size, nullptr, 0), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(sysctlbyname("machdep.cpu.brand_string", nullptr, &size, value, 1), -1);
    EXPECT_EQ(errno, EPERM);
}

TEST_F(MacSystemStandInTest, GestaltLeavesTheResponseAloneForAnUnknownSelector)
{
    SInt32 response = 42;
    EXPECT_EQ(Gestalt(0x74657374, &response), gestaltUndefSelectorErr);
    EXPECT_EQ(response, 42);
    SInt32 const value = 7;
    GestaltStandInSetValue(0x74657374, &value);
    EXPECT_EQ(Gestalt(0x74657374, &response), noErr);
    EXPECT_EQ(response, 7);
    GestaltStandInSetValue(0x74657374, nullptr);
    EXPECT_EQ(Gestalt(0x74657374, &response), gestaltUndefSelectorErr);
}

TEST_F(MacSystemStandInTest, RegistryCallsRefuseWhatTheyCannotUse)
{
    int const objects = IOKitStandInGetObjectCount();
    mach_port_t port = 0;
    ASSERT_EQ(IOMasterPort(MACH_PORT_NULL, &port), KERN_SUCCESS);

    // Another class matches nothing, and its iterator is an object of its own.
    io_iterator_t iterator = 0;
    ASSERT_EQ(IOServiceGetMatchingServices(port, IOServiceMatching("IOUSBDevice"), &iterator), KERN_SUCCESS);
    EXPECT_NE(iterator, 0u);
    EXPECT_EQ(IOIteratorNext(iterator), 0u);
    io_registry_entry_t parent = 99;
    EXPECT_EQ(IORegistryEntryGetParentEntry(iterator, kIOServicePlane, &parent), KERN_INVALID_ARGUMENT);
    EXPECT_EQ(parent, 0u);
    EXPECT_EQ(IORegistryEntryCreateCFProperty(iterator, CFSTR("IOMACAddress"), kCFAllocatorDefault, 0),
              nullptr);
    EXPECT_EQ(IOObjectRelease(iterator), KERN_SUCCESS);
    EXPECT_EQ(IOObjectRelease(iterator), KERN_INVALID_ARGUMENT);

    EXPECT_EQ(IOServiceGetMatchingServices(port, nullptr, &iterator), KERN_INVALID_ARGUMENT);
    EXPECT_EQ(IOServiceMatching(nullptr), nullptr);
    EXPECT_EQ(IOKitStandInGetObjectCount(), objects);
}
