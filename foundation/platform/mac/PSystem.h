// The platform layer's static queries about the machine, the operating system and the user, and the
// conversions between CoreFoundation objects and the foundation's strings and paths.
#pragma once

#include "GBuffer.h"
#include "GString.h"
#include "GTable.h"

// The CoreFoundation types of the conversions, declared as the platform declares them so that
// callers need not see the platform's headers.
struct __CFString;
struct __CFURL;
struct __CFBundle;
typedef __CFString const* CFStringRef;
typedef __CFURL const* CFURLRef;
typedef __CFBundle* CFBundleRef;

class GPathName;

class PSystem
{
public:
    PSystem() = delete;

    // Sets the path, volume and extension separators; until then all three are 0. Called once by
    // the framework start-up.
    static bool Initialize();
    // Nothing to undo: the separators stay.
    static void Finalize() {}

    // Lines written by the foundation end in a carriage return alone.
    static void GetLineEndingConventions(bool& needsCR, bool& needsLF);
    static bool GetLineEndingNeedsCR();
    static bool GetLineEndingNeedsLF();
    static int GetPlatformCode();
    // 0 for a little-endian machine, 1 for a big-endian one.
    static int GetMachineByteOrder();

    static unsigned short GetPathSeparator();
    static unsigned short GetVolumeSeparator();
    static unsigned short GetExtensionSeparator();
    // 1 for the volume separator, else 2 for the path separator, else 0.
    static int IsPathSeparator(unsigned short c);

    // The system-version code: 6003 (10.2) to 6016 (10.15), 7001 for 10.16 and 11.0, 7000 for a
    // later 11.x, 6000 for another 10.x; 0 (asked again next time) when the version is unknown.
    static int GetOSCode();

    // The 6-byte hardware addresses of the built-in Ethernet controllers; true when there is one.
    static bool GetEtherAddress(GTable<GBuffer>& addresses);
    // The same as "00:1b:63:84:45:e6N".
    static bool GetEtherAddress(GTable<GString>& addresses);

    // Each leaves name unchanged and answers false when the system has no (or an empty) name.
    static bool GetNetworkName(GString& name);
    static bool GetLogonName(GString& name);
    static bool GetDisplayName(GString& name);

    // Starts the tool with the arguments after the user authenticates as an administrator in the
    // system's dialog, which shows the prompt; true when the tool was started. It runs on its own.
    static bool TryToRunAsRoot(GPathName const& tool, GTable<GString> const& arguments, GString const& prompt);

    // A negative time sleeps not at all.
    static void Sleep(int seconds);
    static void MilliSleep(int milliseconds);

    static void SetASCIIBundleIdentifier(GBuffer const& identifier);
    static void GetASCIIBundleIdentifier(GBuffer& identifier);

    static int GetNumberOfProcessors();
    // Empty when the system does not name the processor.
    static GString GetProcessorName();

    // Whether the application's first preferred language is Japanese.
    static bool IsJapaneseUIEnabled();
    // The first offered code ("deDE") whose first two letters are those of one of the user's
    // preferred languages, tried in the user's order; "enUS" when none is.
    static void GetPreferredLanguage(GTable<GBuffer> const& offered, GBuffer& chosen);
    // The user's first preferred language as the system writes it ("de-DE"); empty without one.
    static void GetUserLanguage(GString& language);

    // The caller releases what a Create operation returns.
    static GString GetGStringFromCFStringRef(CFStringRef string);
    static CFStringRef CreateCFStringRefFromGString(GString const& string);
    // Paths in HFS style ("Macintosh HD:Users:me"), as path names give them in their CFM form.
    static CFURLRef CreateURLRefFromGString(GString path, bool isDirectory);
    static GString CreateGStringFromURLRef(CFURLRef url);
    static GString CreateGStringFromBundleRef(CFBundleRef bundle);
    // The bundle with the identifier (ASCII; the main bundle when empty), widened to the package or
    // framework that holds it; null when there is none. The caller releases what it gets.
    static CFBundleRef GetBundleFromID(GBuffer const& identifier);
    // Empty when the path does not convert or its converted form needs more than 1,023 bytes.
    static GString GetPosixFromMacPath(GString const& hfsPath);
    static GString GetMacFromPosixPath(GString const& posixPath);

private:
    static unsigned short sVolumeSeparator;
    static unsigned short sExtensionSeparator;
    static unsigned short sPathSeparator;
    // Set by the plug-in at start-up, read by the file-system layer.
    static GBuffer sASCIIBundleIdentifier;
};
