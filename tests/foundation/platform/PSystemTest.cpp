// The system queries: line ends and separators, the system-version code, hardware addresses of
// built-in Ethernet controllers, machine and user names, preferred languages, sleeping, and the
// conversions between CoreFoundation strings, URLs and HFS paths and the foundation's strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <pwd.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "GMacRomanEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "PSystem.h"
#include "GPathName.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/CFArrayStandIn.h"
#include "macos/CFBundleStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CFURLStandIn.h"
#include "macos/CoreServicesStandIn.h"
#include "macos/IOKitStandIn.h"
#include "macos/SecurityStandIn.h"
#include "macos/VolumesStandIn.h"

namespace fs = std::filesystem;

// --- the password lookup, as the name-service modules may leave it ---
// The modules of some systems set errno even when they find the entry, and an entry may come back
// with an empty name; neither happens with this machine's own files, so the lookup is wrapped here:
// the real lookup runs, then the wrapper leaves what such a module would.
namespace
{
enum class LookupEffect
{
    cNone,
    cSetsErrno,
    cFindsNothing,
    cGivesEmptyName
};
LookupEffect sLookupEffect = LookupEffect::cNone;
} // namespace

extern "C" int getpwuid_r(uid_t uid, passwd* entry, char* buffer, size_t size, passwd** result)
{
    using Lookup = int (*)(uid_t, passwd*, char*, size_t, passwd**);
    static Lookup const sRealLookup = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getpwuid_r"));
    int const status = sRealLookup(uid, entry, buffer, size, result);
    switch (sLookupEffect)
    {
    case LookupEffect::cNone:
        break;
    case LookupEffect::cSetsErrno:
        errno = ENOENT;
        break;
    case LookupEffect::cFindsNothing:
        *result = nullptr;
        break;
    case LookupEffect::cGivesEmptyName:
        if (*result)
            (*result)->pw_name[0] = '\0';
        break;
    }
    return status;
}

namespace
{
using Languages = std::optional<std::vector<std::string>>;

using testsupport::TextOf;
using testsupport::Utf8Of;

std::u16string UnitsOf(GString const& text)
{
    GBuffer const bytes = text.GetBuffer(GUnicodeEncoding::GetInstance());
    std::u16string units(static_cast<std::size_t>(bytes.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], bytes.GetPtr(), units.size() * 2);
    return units;
}

std::u16string UnitsOf(CFStringRef string)
{
    CFIndex const length = CFStringGetLength(string);
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    CFIndex used = 0;
    if (length > 0)
        CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUnicode, 0, false,
                         reinterpret_cast<UInt8*>(&units[0]), length * 2, &used);
    return units;
}

// Owns one reference of a stand-in object for the length of a test.
template<typename Ref>
class Held
{
public:
    explicit Held(Ref ref) : fRef(ref) {}
    ~Held()
    {
        if (fRef)
            CFRelease(fRef);
    }
    Held(Held const&) = delete;
    Held& operator=(Held const&) = delete;

    Ref Get() const { return fRef; }

private:
    Ref fRef;
};

CFStringRef MakeString(std::string const& utf8)
{
    return CFStringCreateWithCString(kCFAllocatorDefault, utf8.c_str(), kCFStringEncodingUTF8);
}

// Stores the list (or removes it when there is none) in the user's domain of every application,
// or in the current application's own.
void StoreLanguages(Languages const& languages, bool forTheApplication)
{
    CFArrayRef array = nullptr;
    if (languages)
    {
        std::vector<CFStringRef> strings;
        for (std::string const& language : *languages)
            strings.push_back(MakeString(language));
        std::vector<void const*> values(strings.begin(), strings.end());
        array = CFArrayCreate(kCFAllocatorDefault, values.data(), static_cast<CFIndex>(values.size()),
                              &kCFTypeArrayCallBacks);
        for (CFStringRef string : strings)
            CFRelease(string);
    }
    if (forTheApplication)
        CFPreferencesSetAppValue(CFSTR("AppleLanguages"), array, kCFPreferencesCurrentApplication);
    else
        CFPreferencesSetValue(CFSTR("AppleLanguages"), array, kCFPreferencesAnyApplication,
                              kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    if (array)
        CFRelease(array);
}

void SetUserLanguages(Languages const& languages)
{
    StoreLanguages(languages, false);
}

void SetApplicationLanguages(Languages const& languages)
{
    StoreLanguages(languages, true);
}

// The system version Gestalt reports; a missing part is one Gestalt does not know.
void SetSystemVersion(std::optional<SInt32> major, std::optional<SInt32> minor)
{
    GestaltStandInSetValue(gestaltSystemVersionMajor, major ? &*major : nullptr);
    GestaltStandInSetValue(gestaltSystemVersionMinor, minor ? &*minor : nullptr);
}

// Runs body in a child process and returns what it wrote: the version-code cache lives as long as
// the process, so each version must be met by a process that has not cached one yet.
std::string InChildProcess(std::function<std::string()> const& body)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "no pipe";
    pid_t const child = fork();
    if (child == 0)
    {
        close(pipeEnds[0]);
        std::string const result = body();
        ssize_t const written = write(pipeEnds[1], result.data(), result.size());
        _exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    close(pipeEnds[1]);
    std::string result;
    char chunk[256];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
        result.append(chunk, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child process failed";
    return result;
}

// Every test starts from the platform's start-up state and leaves the stand-in as it found it.
class PSystemTest : public ::testing::Test
{
protected:
    void SetUp() override { PSystem::Initialize(); }
    void TearDown() override
    {
        SetSystemVersion(std::nullopt, std::nullopt);
        CSStandInUseSystemNames();
        CFPreferencesStandInReset();
        IOKitStandInSetNetClassRoot(nullptr);
        VolumesStandInSetStartupVolumeName(nullptr);
        sLookupEffect = LookupEffect::cNone;
    }
};
} // namespace

// --- constants of the platform ---

TEST_F(PSystemTest, LinesEndInACarriageReturnAlone)
{
    bool needsCR = false;
    bool needsLF = true;
    PSystem::GetLineEndingConventions(needsCR, needsLF);
    EXPECT_TRUE(needsCR);
    EXPECT_FALSE(needsLF);
    EXPECT_TRUE(PSystem::GetLineEndingNeedsCR());
    EXPECT_FALSE(PSystem::GetLineEndingNeedsLF());
    EXPECT_EQ(PSystem::GetPlatformCode(), 0);
    EXPECT_EQ(PSystem::GetMachineByteOrder(), 0);
}

TEST_F(PSystemTest, PathsAreSeparatedByColonsAndExtensionsByADot)
{
    EXPECT_EQ(PSystem::GetPathSeparator(), u':');
    EXPECT_EQ(PSystem::GetVolumeSeparator(), u':');
    EXPECT_EQ(PSystem::GetExtensionSeparator(), u'.');
    struct Case
    {
        char16_t fCharacter;
        int fExpected;
    };
    // The colon is the volume separator first, so it never reports 2.
    Case const cases[] = {{u':', 1}, {u'/', 0}, {u'.', 0}, {u'\\', 0}, {u'\0', 0}, {u'a', 0}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.fCharacter));
        EXPECT_EQ(PSystem::IsPathSeparator(c.fCharacter), c.fExpected);
    }
}

// --- the system-version code ---

TEST_F(PSystemTest, OSCodeIsZeroWhileTheSystemCannotBeAsked)
{
    SetSystemVersion(std::nullopt, std::nullopt);
    EXPECT_EQ(PSystem::GetOSCode(), 0);
    EXPECT_EQ(PSystem::GetOSCode(), 0);
}

TEST_F(PSystemTest, OSCodeNamesEachSystemVersion)
{
    struct Case
    {
        std::optional<SInt32> fMajor;
        std::optional<SInt32> fMinor;
        int fCode;
    };
    Case const cases[] = {
        {10, 2, 6003},
        {10, 9, 6010},
        {10, 14, 6015},
        {10, 15, 6016},
        {10, 16, 7001},
        {11, 0, 7001},
        {11, 4, 7000},
        {10, 1, 6000},
        {10, 0, 6000},
        {10, 17, 6000},
        {12, 0, 0},
        {13, 5, 0},
        {9, 2, 0},
        {10, std::nullopt, 0},
        {11, std::nullopt, 0},
        {std::nullopt, 14, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(::testing::Message()
                     << (c.fMajor ? *c.fMajor : -1) << "." << (c.fMinor ? *c.fMinor : -1));
        // Asked twice, then once more after the system reports another version: a known version is
        // kept for the life of the process, while 0 is asked again.
        std::string const answers = InChildProcess(
            [&c]
            {
                SetSystemVersion(c.fMajor, c.fMinor);
                int const first = PSystem::GetOSCode();
                int const second = PSystem::GetOSCode();
                SetSystemVersion(first != 0 ? 12 : 10, first != 0 ? 0 : 14);
                int const third = PSystem::GetOSCode();
                return std::to_string(first) + " " + std::to_string(second) + " " + std::to_string(third);
            });
        std::string const code = std::to_string(c.fCode);
        EXPECT_EQ(answers, code + " " + code + " " + (c.fCode != 0 ? code : "6015"));
    }
}

// --- hardware addresses ---

namespace
{
// A network class in the layout of sysfs in a fresh temporary folder: devices under devices/, the
// class under class/net/ with links to them, bus folders under bus/.
class FakeSysfs
{
public:
    FakeSysfs()
    {
        std::string pattern = (fs::temp_directory_path() / "psystem-sysfs-XXXXXX").string();
        if (!mkdtemp(&pattern[0]))
            throw std::runtime_error("no temporary folder");
        fRoot = pattern;
        fs::create_directories(ClassRoot());
        fs::create_directories(fRoot / "bus" / "pci");
        fs::create_directories(fRoot / "bus" / "usb");
        fs::create_directories(fRoot / "bus" / "virtio");
    }
    ~FakeSysfs()
    {
        std::error_code error;
        fs::remove_all(fRoot, error);
    }
    FakeSysfs(FakeSysfs const&) = delete;
    FakeSysfs& operator=(FakeSysfs const&) = delete;

    fs::path ClassRoot() const { return fRoot / "class" / "net"; }

    // A device folder below devices/ on a bus ("" for none); removable is the content of its
    // "removable" file ("" for none).
    void AddDevice(std::string const& path, std::string const& bus, std::string const& removable = "")
    {
        fs::path const folder = fRoot / "devices" / path;
        fs::create_directories(folder);
        if (!bus.empty() && !fs::is_symlink(folder / "subsystem"))
            fs::create_directory_symlink(fRoot / "bus" / bus, folder / "subsystem");
        if (!removable.empty())
            Write(folder / "removable", removable);
    }

    // An interface of a type with an address; device is the controller's folder below devices/,
    // or "" for an interface without a device (placed under devices/virtual/net/).
    void AddInterface(std::string const& name, std::string const& type, std::string const& address,
                      std::string const& device)
    {
        fs::path const folder =
            fRoot / "devices" / (device.empty() ? fs::path("virtual") : fs::path(device)) / "net" / name;
        fs::create_directories(folder);
        Write(folder / "type", type);
        Write(folder / "address", address);
        if (!device.empty())
            fs::create_directory_symlink(fs::relative(fRoot / "devices" / device, folder), folder / "device");
        fs::create_directory_symlink(fs::relative(folder, ClassRoot()), ClassRoot() / name);
    }

private:
    static void Write(fs::path const& file, std::string const& line) { std::ofstream(file) << line << "\n"; }

    fs::path fRoot;
};

// Builds the machine's network class: a PCI Ethernet port, Wi-Fi on PCI, a virtio port, a USB
// adapter, a port behind a removable (Thunderbolt) bridge, loopback, a bridge and a tunnel.
struct InterfaceSpec
{
    char const* fName;
    char const* fType;
    char const* fAddress;
    char const* fDevice;
};

void AddStandardDevices(FakeSysfs& sysfs)
{
    sysfs.AddDevice("pci0000:00", "");
    sysfs.AddDevice("pci0000:00/0000:00:19.0", "pci");
    sysfs.AddDevice("pci0000:00/0000:03:00.0", "pci");
    sysfs.AddDevice("pci0000:00/0000:00:03.0", "pci");
    sysfs.AddDevice("pci0000:00/0000:00:03.0/virtio2", "virtio");
    sysfs.AddDevice("pci0000:00/0000:00:14.0", "pci");
    sysfs.AddDevice("pci0000:00/0000:00:14.0/usb1/1-2", "usb", "removable");
    sysfs.AddDevice("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0", "usb");
    sysfs.AddDevice("pci0000:00/0000:00:1c.0", "pci", "removable");
    sysfs.AddDevice("pci0000:00/0000:00:1c.0/0000:05:00.0", "pci");
}

InterfaceSpec const cPCIPort{"en0", "1", "00:1b:63:84:45:e6", "pci0000:00/0000:00:19.0"};
InterfaceSpec const cWiFi{"en1", "1", "A4:5E:60:C2:11:0F", "pci0000:00/0000:03:00.0"};
InterfaceSpec const cVirtioPort{"eth0", "1", "02:fc:00:00:00:01", "pci0000:00/0000:00:03.0/virtio2"};
InterfaceSpec const cUSBAdapter{"en5", "1", "00:e0:4c:68:00:01", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0"};
InterfaceSpec const cThunderboltPort{"en7", "1", "00:30:93:12:34:56", "pci0000:00/0000:00:1c.0/0000:05:00.0"};
InterfaceSpec const cLoopback{"lo", "772", "00:00:00:00:00:00", ""};
InterfaceSpec const cBridge{"bridge0", "1", "36:7d:9b:d2:46:26", ""};
InterfaceSpec const cTunnel{"gif0", "768", "00:00:00:00", "pci0000:00/0000:00:19.0"};
InterfaceSpec const cBrokenAddress{"en9", "1", "00:1b:63:84", "pci0000:00/0000:00:19.0"};
} // namespace

TEST_F(PSystemTest, ReportsTheAddressesOfBuiltInEthernetControllersOnly)
{
    struct Case
    {
        char const* fLabel;
        std::vector<InterfaceSpec> fInterfaces;
        std::vector<std::string> fExpected;
    };
    std::vector<Case> const cases = {
        {"one PCI port", {cPCIPort}, {"00:1b:63:84:45:e6N"}},
        {"only a USB adapter", {cUSBAdapter}, {}},
        {"only a port behind a removable bridge", {cThunderboltPort}, {}},
        {"no device behind the interfaces", {cLoopback, cBridge}, {}},
        {"not Ethernet, or an address that does not read", {cTunnel, cBrokenAddress}, {}},
        {"no interfaces at all", {}, {}},
        {"a whole machine, in the order of the interface names",
         {cUSBAdapter, cWiFi, cLoopback, cPCIPort, cThunderboltPort, cVirtioPort, cBridge, cTunnel},
         {"00:1b:63:84:45:e6N", "a4:5e:60:c2:11:0fN", "02:fc:00:00:00:01N"}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        FakeSysfs sysfs;
        AddStandardDevices(sysfs);
        for (InterfaceSpec const& interface : c.fInterfaces)
            sysfs.AddInterface(interface.fName, interface.fType, interface.fAddress, interface.fDevice);
        IOKitStandInSetNetClassRoot(sysfs.ClassRoot().c_str());
        int const objectsBefore = IOKitStandInGetObjectCount();

        // Whatever the tables held before is gone.
        GTable<GString> texts;
        texts.AddItem(GString("stale"));
        GTable<GBuffer> bytes;
        bytes.AddItem(GBuffer("stale"));
        EXPECT_EQ(PSystem::GetEtherAddress(texts), !c.fExpected.empty());
        EXPECT_EQ(PSystem::GetEtherAddress(bytes), !c.fExpected.empty());

        std::vector<std::string> got;
        for (int i = 0; i < texts.GetCount(); ++i)
            got.push_back(Utf8Of(texts[i]));
        EXPECT_EQ(got, c.fExpected);
        ASSERT_EQ(bytes.GetCount(), static_cast<int>(c.fExpected.size()));
        for (int i = 0; i < bytes.GetCount(); ++i)
        {
            ASSERT_EQ(bytes[i].GetLength(), 6);
            char text[32];
            unsigned char const* b = bytes[i].GetPtr();
            std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02xN", b[0], b[1], b[2], b[3], b[4],
                          b[5]);
            EXPECT_EQ(text, c.fExpected[i]);
        }
        // Every registry object the queries obtained was released.
        EXPECT_EQ(IOKitStandInGetObjectCount(), objectsBefore);
    }
}

TEST_F(PSystemTest, WithoutANetworkClassThereIsNoAddress)
{
    IOKitStandInSetNetClassRoot((fs::temp_directory_path() / "psystem-no-such-folder").c_str());
    GTable<GBuffer> bytes;
    bytes.AddItem(GBuffer("stale"));
    EXPECT_FALSE(PSystem::GetEtherAddress(bytes));
    EXPECT_EQ(bytes.GetCount(), 0);
}

TEST_F(PSystemTest, EveryAddressOfThisMachineIsThatOfOneOfItsInterfaces)
{
    std::vector<std::string> known;
    std::error_code error;
    for (fs::directory_iterator it("/sys/class/net", error), end; !error && it != end; it.increment(error))
    {
        std::string address;
        std::getline(std::ifstream(it->path() / "address"), address);
        known.push_back(address + "N");
    }
    GTable<GString> addresses;
    PSystem::GetEtherAddress(addresses);
    for (int i = 0; i < addresses.GetCount(); ++i)
    {
        std::string const address = Utf8Of(addresses[i]);
        SCOPED_TRACE(address);
        EXPECT_NE(std::find(known.begin(), known.end(), address), known.end());
    }
}

// --- names ---

TEST_F(PSystemTest, NetworkNameIsTheMachinesHostName)
{
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    GString name("before");
    EXPECT_TRUE(PSystem::GetNetworkName(name));
    EXPECT_EQ(Utf8Of(name), host);
}

TEST_F(PSystemTest, LogonAndDisplayNamesAreThoseOfTheRealUser)
{
    passwd const* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    std::string const login = entry->pw_name;
    std::string full = entry->pw_gecos ? entry->pw_gecos : "";
    full = full.substr(0, full.find(','));

    GString name;
    EXPECT_TRUE(PSystem::GetLogonName(name));
    EXPECT_EQ(Utf8Of(name), login);
    EXPECT_TRUE(PSystem::GetDisplayName(name));
    EXPECT_EQ(Utf8Of(name), full.empty() ? login : full);
}

TEST_F(PSystemTest, LogonNameDependsOnTheEntryAndItsNameNotOnErrno)
{
    std::string const login = getpwuid(getuid())->pw_name;
    struct Case
    {
        char const* fLabel;
        LookupEffect fEffect;
        bool fFound;
    };
    Case const cases[] = {
        {"plain lookup", LookupEffect::cNone, true},
        {"errno set although the entry was found", LookupEffect::cSetsErrno, true},
        {"no entry", LookupEffect::cFindsNothing, false},
        {"an entry with an empty name", LookupEffect::cGivesEmptyName, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        sLookupEffect = c.fEffect;
        GString name("unchanged");
        bool const found = PSystem::GetLogonName(name);
        sLookupEffect = LookupEffect::cNone;
        EXPECT_EQ(found, c.fFound);
        EXPECT_EQ(Utf8Of(name), c.fFound ? login : "unchanged");
    }
}

TEST_F(PSystemTest, NamesTheSystemGivesAreTakenAsTheyAre)
{
    struct Case
    {
        char const* fLabel;
        std::optional<std::string> fGiven;
        bool fFound;
    };
    // "e" with a combining acute stays two characters.
    Case const cases[] = {
        {"plain", std::string("Studio Mac"), true},
        {"beyond ASCII", std::string("Zo\xC3\xAB's Mac \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"), true},
        {"decomposed", std::string("Rene\xCC\x81"), true},
        {"empty", std::string(), false},
        {"none", std::nullopt, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        Held<CFStringRef> const given(c.fGiven ? MakeString(*c.fGiven) : nullptr);
        CSStandInSetMachineName(given.Get());
        CSStandInSetUserName(given.Get());
        GString network("unchanged");
        GString display("unchanged");
        EXPECT_EQ(PSystem::GetNetworkName(network), c.fFound);
        EXPECT_EQ(PSystem::GetDisplayName(display), c.fFound);
        std::string const expected = c.fFound ? *c.fGiven : "unchanged";
        EXPECT_EQ(Utf8Of(network), expected);
        EXPECT_EQ(Utf8Of(display), expected);
        if (c.fFound)
        {
            EXPECT_EQ(UnitsOf(network), UnitsOf(given.Get()));
        }
    }
}

// --- languages ---

TEST_F(PSystemTest, JapaneseUIIsEnabledExactlyWhenTheFirstLanguageIsJapanese)
{
    struct Case
    {
        char const* fLabel;
        Languages fApplication;
        Languages fUser;
        bool fJapanese;
    };
    Case const cases[] = {
        {"ja", Languages({"ja"}), Languages({"en"}), true},
        {"ja-JP", Languages({"ja-JP", "en"}), Languages({"en"}), true},
        {"upper case", Languages({"JA-jp"}), Languages({"en"}), true},
        {"en", Languages({"en"}), Languages({"ja"}), false},
        {"Japanese second", Languages({"en-US", "ja-JP"}), Languages({"ja"}), false},
        {"one letter", Languages({"j"}), Languages({"ja"}), false},
        {"empty entry", Languages({""}), Languages({"ja"}), false},
        {"empty list", Languages(std::vector<std::string>{}), Languages({"ja"}), false},
        {"the user's list when the application has none", std::nullopt, Languages({"ja-JP"}), true},
        {"no list anywhere", std::nullopt, std::nullopt, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        SetApplicationLanguages(c.fApplication);
        SetUserLanguages(c.fUser);
        EXPECT_EQ(PSystem::IsJapaneseUIEnabled(), c.fJapanese);
    }
}

TEST_F(PSystemTest, PreferredLanguageIsTheFirstOfferedCodeOfTheUsersFirstMatchingLanguage)
{
    struct Case
    {
        char const* fLabel;
        Languages fUser;
        std::vector<char const*> fOffered;
        char const* fChosen;
    };
    Case const cases[] = {
        {"the user's order, not the offered one", Languages({"de-DE", "en-US"}), {"enUS", "deDE"}, "deDE"},
        {"zh-Hans takes the first zh offered", Languages({"zh-Hans"}), {"zhTW", "zhCN"}, "zhTW"},
        {"in either order", Languages({"zh-Hans"}), {"zhCN", "zhTW"}, "zhCN"},
        {"a one-letter language is skipped", Languages({"x", "fr-FR"}), {"frFR"}, "frFR"},
        {"upper-case language", Languages({"DE-de"}), {"enUS", "deDE"}, "deDE"},
        {"a later language matches", Languages({"it-IT", "pt-BR", "en"}), {"enUS", "ptBR"}, "ptBR"},
        {"short offered codes are skipped", Languages({"de"}), {"d", "", "deDE"}, "deDE"},
        {"nothing matches", Languages({"it-IT"}), {"enUS", "deDE"}, "enUS"},
        {"only the last code offered", Languages({"de-DE"}), {}, "enUS"},
        {"no languages", Languages(std::vector<std::string>{}), {"deDE"}, "enUS"},
        {"no list", std::nullopt, {"deDE"}, "enUS"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        SetUserLanguages(c.fUser);
        // The application's own list plays no part: Japanese is offered last and never chosen.
        SetApplicationLanguages(Languages({"ja"}));
        GTable<GBuffer> offered;
        for (char const* code : c.fOffered)
            offered.AddItem(GBuffer(code));
        offered.AddItem(GBuffer("jaJP"));
        GBuffer chosen("stale");
        PSystem::GetPreferredLanguage(offered, chosen);
        EXPECT_EQ(std::string(reinterpret_cast<char const*>(chosen.GetPtr()), chosen.GetLength()), c.fChosen);
    }
}

TEST_F(PSystemTest, UserLanguageIsTheFirstOfTheUsersListAsWritten)
{
    struct Case
    {
        char const* fLabel;
        Languages fUser;
        char const* fLanguage;
    };
    Case const cases[] = {
        {"region", Languages({"de-DE", "en"}), "de-DE"},
        {"script", Languages({"zh-Hans"}), "zh-Hans"},
        {"case kept", Languages({"EN-gb"}), "EN-gb"},
        {"empty list", Languages(std::vector<std::string>{}), ""},
        {"no list", std::nullopt, ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        SetUserLanguages(c.fUser);
        SetApplicationLanguages(Languages({"ja"}));
        GString language("stale");
        PSystem::GetUserLanguage(language);
        EXPECT_EQ(Utf8Of(language), c.fLanguage);
    }
}

// --- sleeping, processors, the bundle identifier ---

TEST_F(PSystemTest, SleepingANegativeOrZeroTimeReturnsAtOnce)
{
    using Clock = std::chrono::steady_clock;
    struct Case
    {
        char const* fLabel;
        std::function<void()> fSleep;
    };
    // A negative time once became a wait of hours.
    Case const cases[] = {
        {"-5 ms", [] { PSystem::MilliSleep(-5); }},
        {"0 ms", [] { PSystem::MilliSleep(0); }},
        {"-1 s", [] { PSystem::Sleep(-1); }},
        {"0 s", [] { PSystem::Sleep(0); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        Clock::time_point const start = Clock::now();
        c.fSleep();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    }
}

TEST_F(PSystemTest, MilliSleepWaitsAtLeastThatLong)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point const start = Clock::now();
    PSystem::MilliSleep(30);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
}

TEST_F(PSystemTest, ProcessorsAreCountedAndNamedAsTheSystemDoes)
{
    EXPECT_EQ(PSystem::GetNumberOfProcessors(), static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
    std::string model;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; model.empty() && std::getline(cpuinfo, line);)
    {
        if (line.compare(0, 10, "model name") == 0 && line.find(':') != std::string::npos)
            model = line.substr(line.find_first_not_of(" \t", line.find(':') + 1));
    }
    EXPECT_EQ(Utf8Of(PSystem::GetProcessorName()), model.substr(0, 255));
}

TEST_F(PSystemTest, KeepsItsOwnCopyOfTheBundleIdentifier)
{
    GBuffer identifier("com.example.sendrix.plugin");
    PSystem::SetASCIIBundleIdentifier(identifier);
    identifier.GetWritePtr()[0] = 'X';
    GBuffer copy("stale");
    PSystem::GetASCIIBundleIdentifier(copy);
    EXPECT_EQ(copy, GBuffer("com.example.sendrix.plugin"));

    PSystem::SetASCIIBundleIdentifier(GBuffer());
    PSystem::GetASCIIBundleIdentifier(copy);
    EXPECT_TRUE(copy.IsEmpty());
}

// --- CoreFoundation strings ---

TEST_F(PSystemTest, StringsCrossToCoreFoundationAndBackUnchanged)
{
    char const* const texts[] = {
        "plain ASCII",  "Zo\xC3\xAB", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "emoji \xF0\x9F\x98\x80",
        "Rene\xCC\x81", "a\tb\r\nc"};
    for (char const* text : texts)
    {
        SCOPED_TRACE(text);
        GString const original = TextOf(text);
        Held<CFStringRef> const string(PSystem::CreateCFStringRefFromGString(original));
        ASSERT_NE(string.Get(), nullptr);
        EXPECT_EQ(UnitsOf(string.Get()), UnitsOf(original));
        GString const back = PSystem::GetGStringFromCFStringRef(string.Get());
        EXPECT_EQ(UnitsOf(back), UnitsOf(original));
    }
}

TEST_F(PSystemTest, StringsInAnyEncodingReachCoreFoundationAsText)
{
    unsigned char const macRoman[] = {'Z', 'o', 0x91};
    GString const text(macRoman, 3, GMacRomanEncoding::GetInstance(), true);
    Held<CFStringRef> const string(PSystem::CreateCFStringRefFromGString(text));
    EXPECT_EQ(UnitsOf(string.Get()), u"Zo\u00EB");
}

TEST_F(PSystemTest, NoOrAnEmptyCoreFoundationStringGivesAnEmptyString)
{
    EXPECT_TRUE(PSystem::GetGStringFromCFStringRef(nullptr).IsEmpty());
    Held<CFStringRef> const empty(MakeString(""));
    EXPECT_TRUE(PSystem::GetGStringFromCFStringRef(empty.Get()).IsEmpty());
    Held<CFStringRef> const fromEmpty(PSystem::CreateCFStringRefFromGString(GString()));
    ASSERT_NE(fromEmpty.Get(), nullptr);
    EXPECT_EQ(CFStringGetLength(fromEmpty.Get()), 0);
}

// --- HFS paths ---

namespace
{
struct PathCase
{
    char const* fFrom;
    char const* fTo;
};
} // namespace

TEST_F(PSystemTest, ConvertsHFSPathsToPosixPaths)
{
    std::string const current = fs::current_path().string();
    PathCase const cases[] = {
        {"Macintosh HD:Users:me:notes.txt", "/Users/me/notes.txt"},
        {"Macintosh HD:", "/"},
        {"Macintosh HD:Applications:", "/Applications"},
        {"Data:Projects:Book.indd", "/Volumes/Data/Projects/Book.indd"},
        {"Data:", "/Volumes/Data"},
        {"Macintosh HD:Users:me:Q1/Q2.txt", "/Users/me/Q1:Q2.txt"},
        {"Macintosh HD:Users:Zo\xC3\xAB:\xE6\x97\xA5\xE6\x9C\xAC.txt",
         "/Users/Zo\xC3\xAB/\xE6\x97\xA5\xE6\x9C\xAC.txt"},
        {"Macintosh HD:a::b", "/a/../b"},
        {"", ""},
    };
    for (PathCase const& c : cases)
    {
        SCOPED_TRACE(c.fFrom);
        EXPECT_EQ(Utf8Of(PSystem::GetPosixFromMacPath(TextOf(c.fFrom))), c.fTo);
    }
    // A relative path is taken from the current folder.
    EXPECT_EQ(Utf8Of(PSystem::GetPosixFromMacPath(TextOf(":docs:a.txt"))), current + "/docs/a.txt");
}

TEST_F(PSystemTest, ConvertsPosixPathsToHFSPaths)
{
    PathCase const cases[] = {
        {"/Users/me/notes.txt", "Macintosh HD:Users:me:notes.txt"},
        {"/", "Macintosh HD:"},
        {"/Volumes", "Macintosh HD:Volumes"},
        {"/Volumes/Data", "Data:"},
        {"/Volumes/Data/Projects/Book.indd", "Data:Projects:Book.indd"},
        {"//Users///me/", "Macintosh HD:Users:me"},
        {"/Users/me/Q1:Q2.txt", "Macintosh HD:Users:me:Q1/Q2.txt"},
        {"/Users/Zo\xC3\xAB", "Macintosh HD:Users:Zo\xC3\xAB"},
        {"docs/a.txt", ":docs:a.txt"},
        {"", ""},
    };
    for (PathCase const& c : cases)
    {
        SCOPED_TRACE(c.fFrom);
        EXPECT_EQ(Utf8Of(PSystem::GetMacFromPosixPath(TextOf(c.fFrom))), c.fTo);
    }
}

TEST_F(PSystemTest, TheBootVolumeAnswersToItsOwnName)
{
    VolumesStandInSetStartupVolumeName("Boot");
    EXPECT_EQ(Utf8Of(PSystem::GetPosixFromMacPath(TextOf("Boot:tmp:x"))), "/tmp/x");
    EXPECT_EQ(Utf8Of(PSystem::GetPosixFromMacPath(TextOf("Macintosh HD:tmp"))), "/Volumes/Macintosh HD/tmp");
    EXPECT_EQ(Utf8Of(PSystem::GetMacFromPosixPath(TextOf("/tmp/x"))), "Boot:tmp:x");
}

TEST_F(PSystemTest, PathsThatNeedMoreThan1023BytesDoNotConvert)
{
    struct Case
    {
        int fNameLength;
        bool fConverts;
    };
    // "/" plus the name in POSIX; "Macintosh HD:" plus the name in HFS.
    Case const toPosix[] = {{1022, true}, {1023, false}};
    for (Case const& c : toPosix)
    {
        SCOPED_TRACE(c.fNameLength);
        std::string const name(static_cast<std::size_t>(c.fNameLength), 'a');
        EXPECT_EQ(Utf8Of(PSystem::GetPosixFromMacPath(TextOf("Macintosh HD:" + name))),
                  c.fConverts ? "/" + name : "");
    }
    Case const toHFS[] = {{1010, true}, {1011, false}};
    for (Case const& c : toHFS)
    {
        SCOPED_TRACE(c.fNameLength);
        std::string const name(static_cast<std::size_t>(c.fNameLength), 'a');
        EXPECT_EQ(Utf8Of(PSystem::GetMacFromPosixPath(TextOf("/" + name))),
                  c.fConverts ? "Macintosh HD:" + name : "");
    }
}

TEST_F(PSystemTest, URLsFromHFSPathsKeepTheFolderMarkAndTheirPath)
{
    struct Case
    {
        char const* fPath;
        bool fIsDirectory;
        char const* fBack;
    };
    Case const cases[] = {
        {"Data:Projects:", true, "Data:Projects"},
        {"Data:Projects:Book.indd", false, "Data:Projects:Book.indd"},
        {"Macintosh HD:", true, "Macintosh HD:"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath);
        Held<CFURLRef> const url(PSystem::CreateURLRefFromGString(TextOf(c.fPath), c.fIsDirectory));
        ASSERT_NE(url.Get(), nullptr);
        EXPECT_EQ(CFURLHasDirectoryPath(url.Get()) != 0, c.fIsDirectory);
        EXPECT_EQ(Utf8Of(PSystem::CreateGStringFromURLRef(url.Get())), c.fBack);
    }
    EXPECT_EQ(PSystem::CreateURLRefFromGString(GString(), false), nullptr);
    EXPECT_TRUE(PSystem::CreateGStringFromURLRef(nullptr).IsEmpty());
}

TEST_F(PSystemTest, BundlePathsAreInHFSStyle)
{
    std::string pattern = (fs::temp_directory_path() / "psystem-bundle-XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    fs::path const folder = fs::path(pattern) / "Sendrix.InDesignPlugin";
    fs::create_directory(folder);
    std::string const posix = folder.string();
    {
        Held<CFURLRef> const url(CFURLCreateFromFileSystemRepresentation(
            kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(posix.data()),
            static_cast<CFIndex>(posix.size()), true));
        Held<CFBundleRef> const bundle(CFBundleCreate(kCFAllocatorDefault, url.Get()));
        ASSERT_NE(bundle.Get(), nullptr);
        std::string hfs = "Macintosh HD" + posix;
        std::replace(hfs.begin(), hfs.end(), '/', ':');
        EXPECT_EQ(Utf8Of(PSystem::CreateGStringFromBundleRef(bundle.Get())), hfs);
    }
    fs::remove_all(pattern);

    std::string program = "Macintosh HD" + fs::read_symlink("/proc/self/exe").parent_path().string();
    std::replace(program.begin(), program.end(), '/', ':');
    EXPECT_EQ(Utf8Of(PSystem::CreateGStringFromBundleRef(CFBundleGetMainBundle())), program);
    EXPECT_TRUE(PSystem::CreateGStringFromBundleRef(nullptr).IsEmpty());
}

// --- bundles and administrator rights ---

namespace
{
CFURLRef FolderURL(std::filesystem::path const& folder)
{
    std::string const posix = folder.string();
    return CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(posix.data()),
                                                   static_cast<CFIndex>(posix.size()), true);
}

std::string BundleFolder(CFBundleRef bundle)
{
    Held<CFURLRef> const url(CFBundleCopyBundleURL(bundle));
    Held<CFStringRef> const path(CFURLCopyFileSystemPath(url.Get(), kCFURLPOSIXPathStyle));
    return CFStringStandInGetUTF8(path.Get());
}
} // namespace

TEST_F(PSystemTest, FindsABundleByIdentifierWidenedToItsPackage)
{
    testsupport::TempFolder folder("psystem-bundles");
    fs::create_directories(folder / "Host.app/Contents/Resources/data");
    fs::create_directories(folder / "loose");
    {
        Held<CFURLRef> const inside(FolderURL(folder / "Host.app/Contents/Resources/data"));
        CFBundleStandInRegister(CFSTR("com.example.inside"), inside.Get());
        Held<CFURLRef> const loose(FolderURL(folder / "loose"));
        CFBundleStandInRegister(CFSTR("com.example.loose"), loose.Get());
    }
    Held<CFBundleRef> const widened(PSystem::GetBundleFromID(GBuffer("com.example.inside")));
    ASSERT_NE(widened.Get(), nullptr);
    EXPECT_EQ(BundleFolder(widened.Get()), (folder / "Host.app").string());

    CFBundleRef const registered = CFBundleGetBundleWithIdentifier(CFSTR("com.example.loose"));
    CFIndex const before = CFGetRetainCount(registered);
    {
        // Outside any package the registered bundle itself comes back, for the caller to release.
        Held<CFBundleRef> const loose(PSystem::GetBundleFromID(GBuffer("com.example.loose")));
        EXPECT_EQ(loose.Get(), registered);
        EXPECT_EQ(CFGetRetainCount(registered), before + 1);
    }
    EXPECT_EQ(CFGetRetainCount(registered), before);
    EXPECT_EQ(PSystem::GetBundleFromID(GBuffer("com.example.none")), nullptr);
}

TEST_F(PSystemTest, RunsAToolAsAdministratorOnlyAfterTheUserAuthenticates)
{
    testsupport::TempFolder folder("psystem-root");
    fs::path const tool = folder / "tool.sh";
    fs::path const marker = folder / "ran";
    std::ofstream(tool) << "#!/bin/sh\necho \"$1 $2\" > \"" << marker.string() << ".part\" && mv \""
                        << marker.string() << ".part\" \"" << marker.string() << "\"\n";
    fs::permissions(tool, fs::perms(0755));
    GTable<GString> arguments;
    arguments.AddItem(GString("install"));
    arguments.AddItem(GString("now"));
    GPathName const toolPath(TextOf(tool.string()));

    std::string shown;
    SecurityStandInSetUser([&](std::string const& prompt) { shown = prompt; return false; });
    EXPECT_FALSE(PSystem::TryToRunAsRoot(toolPath, arguments, GString("Install the plug-in?")));
    EXPECT_EQ(shown, "Install the plug-in?\n\n");

    SecurityStandInSetUser(nullptr);
    EXPECT_FALSE(PSystem::TryToRunAsRoot(toolPath, arguments, GString()));

    SecurityStandInSetUser([&](std::string const& prompt) { shown = prompt; return true; });
    EXPECT_TRUE(PSystem::TryToRunAsRoot(toolPath, arguments, GString()));
    EXPECT_EQ(shown, "");
    for (int wait = 0; wait < 500 && !fs::exists(marker); ++wait)
        usleep(10000);
    std::ifstream ran(marker);
    std::string line;
    std::getline(ran, line);
    EXPECT_EQ(line, "install now");

    EXPECT_FALSE(PSystem::TryToRunAsRoot(GPathName(TextOf((folder / "missing").string())), arguments, GString()));
    SecurityStandInSetUser(nullptr);
}
