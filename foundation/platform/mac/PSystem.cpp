// The platform layer's static queries about the machine, the operating system and the user, and the
// conversions between CoreFoundation objects and the foundation's strings and paths.
#include "PSystem.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <pwd.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "GASCIIEncoding.h"
#include "GMemoryException.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GException.h"
#include "GFileSystem.h"
#include "GPathName.h"
#include "MPFuncWrapper.h"
#include "PMacCFRef.h"
#include "SafeMPRemoteCall.h"
#include "macos/CFArrayStandIn.h"
#include "macos/CFBundleStandIn.h"
#include "macos/CFDataStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CFStringStandIn.h"
#include "macos/CFURLStandIn.h"
#include "macos/CoreServicesStandIn.h"
#include "macos/IOKitStandIn.h"
#include "macos/SecurityStandIn.h"
#include "macos/SysctlStandIn.h"

unsigned short PSystem::sVolumeSeparator = 0;
unsigned short PSystem::sExtensionSeparator = 0;
unsigned short PSystem::sPathSeparator = 0;
GBuffer PSystem::sASCIIBundleIdentifier;

namespace
{
// 0 until a version has been recognised. Every writer stores the same value; atomic so that
// threads asking at once read a whole value.
std::atomic<int> sOSCode{0};

// The codes of the system versions 10.2 to 10.16, by minor version.
constexpr int cFirstTableMinor = 2;
constexpr int cMacOS10Codes[] = {6003, 6004, 6005, 6006, 6007, 6008, 6009, 6010,
                                 6011, 6012, 6013, 6014, 6015, 6016, 7001};
constexpr int cLastTableMinor = cFirstTableMinor + static_cast<int>(sizeof cMacOS10Codes / sizeof(int)) - 1;
constexpr int cOtherMacOS10Code = 6000;
constexpr int cMacOS11Code = 7001;
constexpr int cLaterMacOS11Code = 7000;

char const cDefaultLanguage[] = "enUS";
constexpr int cPathBufferSize = 1024;
constexpr int cProcessorNameSize = 256;
constexpr int cNoPackageRootID = 40061;
constexpr int cNoFrameworkRootID = 40062;

void SafeIOObjectRelease(io_object_t object)
{
    if (object)
        IOObjectRelease(object);
}

// Calls a release function with its one argument at the end of a scope unless dismissed.
template<typename Function, typename Argument>
class ScopeGuardImpl1
{
public:
    ScopeGuardImpl1(Function function, Argument argument)
        : fDismissed(false), fFunction(function), fArgument(argument)
    {
    }
    ~ScopeGuardImpl1()
    {
        if (fDismissed)
            return;
        try
        {
            fFunction(fArgument);
        }
        catch (...)
        {
            // A destructor that threw would end the process; a release that failed leaves a leak.
        }
    }
    ScopeGuardImpl1(ScopeGuardImpl1 const&) = delete;
    ScopeGuardImpl1& operator=(ScopeGuardImpl1 const&) = delete;

    void Dismiss() { fDismissed = true; }

private:
    bool fDismissed;
    Function fFunction;
    Argument fArgument;
};

using IOObjectGuard = ScopeGuardImpl1<void (*)(io_object_t), io_object_t>;

// The user's (any application's) or the application's "AppleLanguages" list; null when missing.
CFArrayRef CopyUserLanguages()
{
    return static_cast<CFArrayRef>(CFPreferencesCopyValue(CFSTR("AppleLanguages"),
                                                          kCFPreferencesAnyApplication,
                                                          kCFPreferencesCurrentUser, kCFPreferencesAnyHost));
}

CFArrayRef CopyApplicationLanguages()
{
    return static_cast<CFArrayRef>(
        CFPreferencesCopyAppValue(CFSTR("AppleLanguages"), kCFPreferencesCurrentApplication));
}

CFStringRef LanguageAt(CFArrayRef languages, CFIndex index)
{
    return static_cast<CFStringRef>(CFArrayGetValueAtIndex(languages, index));
}

// A language of the list lower-cased, as ASCII bytes.
GBuffer LowerCaseASCII(CFStringRef language)
{
    GString text = PSystem::GetGStringFromCFStringRef(language);
    text.ToLower();
    return text.GetBuffer(GASCIIEncoding::GetInstance());
}

bool StartsWithSameTwoBytes(GBuffer const& a, GBuffer const& b)
{
    return a.GetLength() >= 2 && b.GetLength() >= 2 && std::memcmp(a.GetPtr(), b.GetPtr(), 2) == 0;
}

// Gestalt and the machine's and user's names are answered on the main thread only.
OSErr GestaltOnMainThread(OSType selector, SInt32* response)
{
    MPFunc2Wrapper<short, unsigned int, int*> call{0, &Gestalt, selector, response};
    SafeMPRemoteCall(&decltype(call)::MPCallWrapper, &call);
    return call.fResult;
}

CFStringRef CopyMachineNameOnMainThread()
{
    MPFunc0Wrapper<__CFString const*> call{nullptr, &CSCopyMachineName};
    SafeMPRemoteCall(&decltype(call)::MPCallWrapper, &call);
    return call.fResult;
}

CFStringRef CopyUserNameOnMainThread(Boolean useShortName)
{
    MPFunc1Wrapper<__CFString const*, unsigned char> call{nullptr, &CSCopyUserName, useShortName};
    SafeMPRemoteCall(&decltype(call)::MPCallWrapper, &call);
    return call.fResult;
}

// A name the system gave: false (name unchanged) for none or an empty one.
bool TakeName(CFStringRef copied, GString& name)
{
    PMacCFRef<CFStringRef> const held(copied);
    GString text = PSystem::GetGStringFromCFStringRef(held.Get());
    if (text.IsEmpty())
        return false;
    name = std::move(text);
    return true;
}

GString UTF8Text(char const* bytes, int length)
{
    return GString(reinterpret_cast<unsigned char const*>(bytes), length, GUTF8Encoding::GetInstance(),
                   false);
}

// The hardware address of the controller of one interface when the controller is built in.
void AddBuiltInAddress(io_object_t interface, GTable<GBuffer>& addresses)
{
    io_registry_entry_t controller = 0;
    if (IORegistryEntryGetParentEntry(interface, kIOServicePlane, &controller) != KERN_SUCCESS)
        return;
    IOObjectGuard const controllerGuard(SafeIOObjectRelease, controller);
    io_registry_entry_t controllerParent = 0;
    if (IORegistryEntryGetParentEntry(controller, kIOServicePlane, &controllerParent) != KERN_SUCCESS)
        return;
    IOObjectGuard const parentGuard(SafeIOObjectRelease, controllerParent);
    PMacCFRef<CFTypeRef> const builtIn(
        IORegistryEntryCreateCFProperty(controllerParent, CFSTR("built-in"), kCFAllocatorDefault, 0));
    if (!builtIn)
        return;
    PMacCFRef<CFDataRef> const address(static_cast<CFDataRef>(
        IORegistryEntryCreateCFProperty(controller, CFSTR("IOMACAddress"), kCFAllocatorDefault, 0)));
    if (!address || CFDataGetLength(address.Get()) < 6)
        return;
    addresses.AddItem(GBuffer(CFDataGetBytePtr(address.Get()), 6));
}
} // namespace

bool PSystem::Initialize()
{
    sVolumeSeparator = ':';
    sExtensionSeparator = '.';
    sPathSeparator = ':';
    return true;
}

void PSystem::GetLineEndingConventions(bool& needsCR, bool& needsLF)
{
    needsCR = GetLineEndingNeedsCR();
    needsLF = GetLineEndingNeedsLF();
}

bool PSystem::GetLineEndingNeedsCR()
{
    return true;
}

bool PSystem::GetLineEndingNeedsLF()
{
    return false;
}

int PSystem::GetPlatformCode()
{
    return 0;
}

int PSystem::GetMachineByteOrder()
{
    // The plug-in runs on little-endian Macs only.
    return 0;
}

unsigned short PSystem::GetPathSeparator()
{
    return sPathSeparator;
}

unsigned short PSystem::GetVolumeSeparator()
{
    return sVolumeSeparator;
}

unsigned short PSystem::GetExtensionSeparator()
{
    return sExtensionSeparator;
}

int PSystem::IsPathSeparator(unsigned short c)
{
    if (c == sVolumeSeparator)
        return 1;
    if (c == sPathSeparator)
        return 2;
    return 0;
}

int PSystem::GetOSCode()
{
    int const cached = sOSCode.load(std::memory_order_relaxed);
    if (cached != 0)
        return cached;
    SInt32 major = 0;
    if (GestaltOnMainThread(gestaltSystemVersionMajor, &major) != noErr)
        return cached;
    if (major != 10 && major != 11)
        return 0;
    SInt32 minor = 0;
    if (GestaltOnMainThread(gestaltSystemVersionMinor, &minor) != noErr)
        return 0;
    int code = 0;
    if (major == 11)
        code = minor == 0 ? cMacOS11Code : cLaterMacOS11Code;
    else if (minor >= cFirstTableMinor && minor <= cLastTableMinor)
        code = cMacOS10Codes[minor - cFirstTableMinor];
    else
        code = cOtherMacOS10Code;
    sOSCode.store(code, std::memory_order_relaxed);
    return code;
}

bool PSystem::GetEtherAddress(GTable<GBuffer>& addresses)
{
    addresses.Resize(0);
    mach_port_t masterPort = 0;
    if (IOMasterPort(MACH_PORT_NULL, &masterPort) != KERN_SUCCESS)
        return false;
    io_iterator_t interfaces = 0;
    if (IOServiceGetMatchingServices(masterPort, IOServiceMatching("IOEthernetInterface"), &interfaces) !=
        KERN_SUCCESS)
        return false;
    IOObjectGuard const interfacesGuard(SafeIOObjectRelease, interfaces);
    while (io_object_t const interface = IOIteratorNext(interfaces))
    {
        IOObjectGuard const interfaceGuard(SafeIOObjectRelease, interface);
        AddBuiltInAddress(interface, addresses);
    }
    return addresses.GetCount() > 0;
}

bool PSystem::GetEtherAddress(GTable<GString>& addresses)
{
    addresses.Resize(0);
    GTable<GBuffer> bytes;
    bool const found = GetEtherAddress(bytes);
    for (int i = 0; i < bytes.GetCount(); ++i)
    {
        unsigned char const* b = bytes[i].GetPtr();
        char text[32];
        std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02xN", b[0], b[1], b[2], b[3], b[4],
                      b[5]);
        addresses.AddItem(GString(text));
    }
    return found;
}

bool PSystem::GetNetworkName(GString& name)
{
    return TakeName(CopyMachineNameOnMainThread(), name);
}

bool PSystem::GetLogonName(GString& name)
{
    // errno is not looked at: the name-service modules set it even when they find the entry.
    long const suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    int result = 0;
    while ((result = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (result != 0 || !found || !found->pw_name || found->pw_name[0] == '\0')
        return false;
    name = UTF8Text(found->pw_name, static_cast<int>(std::strlen(found->pw_name)));
    return true;
}

bool PSystem::GetDisplayName(GString& name)
{
    return TakeName(CopyUserNameOnMainThread(false), name);
}

void PSystem::Sleep(int seconds)
{
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
}

void PSystem::MilliSleep(int milliseconds)
{
    // Milliseconds as such, so that no product of the argument can overflow.
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void PSystem::SetASCIIBundleIdentifier(GBuffer const& identifier)
{
    sASCIIBundleIdentifier = identifier;
}

void PSystem::GetASCIIBundleIdentifier(GBuffer& identifier)
{
    identifier = sASCIIBundleIdentifier;
}

int PSystem::GetNumberOfProcessors()
{
    ItemCount const count = MPProcessors();
    return count > static_cast<ItemCount>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

GString PSystem::GetProcessorName()
{
    char name[cProcessorNameSize] = {};
    std::size_t size = sizeof name;
    sysctlbyname("machdep.cpu.brand_string", name, &size, nullptr, 0);
    void const* end = std::memchr(name, 0, sizeof name);
    int const length = end ? static_cast<int>(static_cast<char const*>(end) - name) : cProcessorNameSize;
    return UTF8Text(name, length);
}

bool PSystem::IsJapaneseUIEnabled()
{
    PMacCFRef<CFArrayRef> const languages(CopyApplicationLanguages());
    if (!languages || CFArrayGetCount(languages.Get()) < 1)
        return false;
    GBuffer const first = LowerCaseASCII(LanguageAt(languages.Get(), 0));
    return StartsWithSameTwoBytes(first, GBuffer::FromStatic("ja"));
}

void PSystem::GetPreferredLanguage(GTable<GBuffer> const& offered, GBuffer& chosen)
{
    PMacCFRef<CFArrayRef> const languages(CopyUserLanguages());
    CFIndex const count = languages ? CFArrayGetCount(languages.Get()) : 0;
    for (CFIndex i = 0; i < count; ++i)
    {
        GBuffer const language = LowerCaseASCII(LanguageAt(languages.Get(), i));
        if (language.GetLength() < 2)
            continue;
        for (int j = 0; j < offered.GetCount(); ++j)
        {
            if (StartsWithSameTwoBytes(offered[j], language))
            {
                chosen = offered[j];
                return;
            }
        }
    }
    chosen = cDefaultLanguage;
}

void PSystem::GetUserLanguage(GString& language)
{
    language.Clear();
    PMacCFRef<CFArrayRef> const languages(CopyUserLanguages());
    if (languages && CFArrayGetCount(languages.Get()) > 0)
        language = GetGStringFromCFStringRef(LanguageAt(languages.Get(), 0));
}

GString PSystem::GetGStringFromCFStringRef(CFStringRef string)
{
    // CoreFoundation stops the process when asked about a null object.
    if (!string)
        return GString();
    CFIndex const length = CFStringGetLength(string);
    if (length <= 0)
        return GString();
    if (length > (INT_MAX - 2) / 2)
        throw GMemoryException();
    GBuffer units;
    units.SetLength(static_cast<int>(length) * 2);
    CFIndex used = 0;
    CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUnicode, 0, false, units.GetWritePtr(),
                     length * 2, &used);
    units.SetLength(static_cast<int>(used));
    // The units as they are: composing would change what the system named.
    return GString(units, GUnicodeEncoding::GetInstance(), false);
}

CFStringRef PSystem::CreateCFStringRefFromGString(GString const& string)
{
    GBuffer const utf8 = string.GetBuffer(GUTF8Encoding::GetInstance());
    return CFStringCreateWithBytes(kCFAllocatorDefault, utf8.GetPtr(), utf8.GetLength(),
                                   kCFStringEncodingUTF8, false);
}

CFURLRef PSystem::CreateURLRefFromGString(GString path, bool isDirectory)
{
    PMacCFRef<CFStringRef> const text(CreateCFStringRefFromGString(path));
    if (!text)
        return nullptr;
    return CFURLCreateWithFileSystemPath(kCFAllocatorDefault, text.Get(), kCFURLHFSPathStyle, isDirectory);
}

GString PSystem::CreateGStringFromURLRef(CFURLRef url)
{
    if (!url)
        return GString();
    PMacCFRef<CFStringRef> const path(CFURLCopyFileSystemPath(url, kCFURLHFSPathStyle));
    return GetGStringFromCFStringRef(path.Get());
}

GString PSystem::CreateGStringFromBundleRef(CFBundleRef bundle)
{
    if (!bundle)
        return GString();
    PMacCFRef<CFURLRef> const url(CFBundleCopyBundleURL(bundle));
    return CreateGStringFromURLRef(url.Get());
}

CFBundleRef PSystem::GetBundleFromID(GBuffer const& identifier)
{
    CFBundleRef found = nullptr;
    if (identifier.IsEmpty())
        found = CFBundleGetMainBundle();
    else
    {
        PMacCFRef<CFStringRef> const name(CFStringCreateWithBytes(
            kCFAllocatorDefault, identifier.GetPtr(), identifier.GetLength(), kCFStringEncodingUTF8, false));
        found = name ? CFBundleGetBundleWithIdentifier(name.Get()) : nullptr;
    }
    if (!found)
        return nullptr;
    GPathName path;
    path.SetCFMPathString(CreateGStringFromBundleRef(found));
    GPathName root;
    try
    {
        GFileSystem::FindMacPackageRoot(path, root);
    }
    catch (GException const& noPackage) // a bundle outside any package may lie in a framework
    {
        if (noPackage.GetExceptionID() != cNoPackageRootID)
            throw;
        try
        {
            GFileSystem::FindMacFrameworkRoot(path, root);
        }
        catch (GException const& noFramework) // neither: the bundle itself is the answer
        {
            if (noFramework.GetExceptionID() != cNoFrameworkRootID)
                throw;
            // Every answer is the caller's to release, found or made.
            return static_cast<CFBundleRef>(const_cast<void*>(CFRetain(found)));
        }
    }
    PMacCFRef<CFURLRef> const url(CreateURLRefFromGString(root.GetCFMPathString(), true));
    return url ? CFBundleCreate(kCFAllocatorDefault, url.Get()) : nullptr;
}

bool PSystem::TryToRunAsRoot(GPathName const& tool, GTable<GString> const& arguments, GString const& prompt)
{
    GBuffer promptBytes = prompt.GetBuffer(GUTF8Encoding::GetInstance());
    if (!promptBytes.IsEmpty())
        promptBytes += "\n\n";
    AuthorizationItem promptItem = {kAuthorizationEnvironmentPrompt, static_cast<std::size_t>(promptBytes.GetLength()),
                                    promptBytes.IsEmpty() ? nullptr : promptBytes.GetWritePtr(), 0};
    AuthorizationEnvironment environment = {1, &promptItem};
    AuthorizationRef authorization = nullptr;
    if (AuthorizationCreate(nullptr, &environment, kAuthorizationFlagDefaults, &authorization) !=
        errAuthorizationSuccess)
        return false;
    AuthorizationItem right = {kAuthorizationRightExecute, 0, nullptr, 0};
    AuthorizationRights rights = {1, &right};
    AuthorizationFlags const flags =
        kAuthorizationFlagInteractionAllowed | kAuthorizationFlagExtendRights | kAuthorizationFlagPreAuthorize;
    bool started = false;
    if (AuthorizationCopyRights(authorization, &rights, &environment, flags, nullptr) == errAuthorizationSuccess)
    {
        GASCIIEncoding const* ascii = GASCIIEncoding::GetInstance();
        GBuffer const toolBytes = tool.GetNativePathString().GetBuffer(ascii);
        std::vector<GBuffer> argumentBytes;
        for (int i = 0; i < arguments.GetCount(); ++i)
            argumentBytes.push_back(arguments[i].GetBuffer(ascii));
        std::vector<char*> argv;
        for (GBuffer& argument : argumentBytes)
            argv.push_back(reinterpret_cast<char*>(argument.GetWritePtr()));
        argv.push_back(nullptr);
        started = AuthorizationExecuteWithPrivileges(authorization, reinterpret_cast<char const*>(toolBytes.GetPtr()),
                                                     kAuthorizationFlagDefaults, argv.data(),
                                                     nullptr) == errAuthorizationSuccess;
    }
    AuthorizationFree(authorization, kAuthorizationFlagDefaults);
    return started;
}

GString PSystem::GetPosixFromMacPath(GString const& hfsPath)
{
    PMacCFRef<CFURLRef> const url(CreateURLRefFromGString(hfsPath, false));
    UInt8 posix[cPathBufferSize];
    if (!url || !CFURLGetFileSystemRepresentation(url.Get(), true, posix, sizeof posix))
        return GString();
    return UTF8Text(reinterpret_cast<char const*>(posix),
                    static_cast<int>(std::strlen(reinterpret_cast<char*>(posix))));
}

GString PSystem::GetMacFromPosixPath(GString const& posixPath)
{
    GBuffer const utf8 = posixPath.GetBuffer(GUTF8Encoding::GetInstance());
    PMacCFRef<CFURLRef> const url(
        CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault, utf8.GetPtr(), utf8.GetLength(), false));
    if (!url)
        return GString();
    PMacCFRef<CFStringRef> const path(CFURLCopyFileSystemPath(url.Get(), kCFURLHFSPathStyle));
    char hfs[cPathBufferSize];
    if (!path || !CFStringGetCString(path.Get(), hfs, sizeof hfs, kCFStringEncodingUTF8))
        return GString();
    return UTF8Text(hfs, static_cast<int>(std::strlen(hfs)));
}
