// This project's stand-in for the CoreFoundation bundles the platform layer looks up: the main
// bundle (the bundle of the running program), the bundles the host or a test registers as loaded under
// an identifier, and bundles made from a folder.
//
// A bundle folder keeps its description in "Contents/Info.plist" (a property list in any of the
// platform's forms, PropertyListStandIn.h): "CFBundleIdentifier", "CFBundleExecutable" (the program in "Contents/MacOS"),
// "CFBundleShortVersionString" and the like; its resources are in "Contents/Resources". A folder without
// that file is a bundle without a description whose resources are the folder itself; so is one whose
// Info.plist is not a well-formed property list, is empty or is larger than 1 MiB, which is told on
// standard error in one line. The package type and creator are the 8 bytes of "Contents/PkgInfo". The main
// bundle is the folder <bundle> of a program
// "<bundle>/Contents/MacOS/<name>", else the program's own folder, and its executable is the program.
#pragma once

#include "CFArrayStandIn.h"
#include "CFURLStandIn.h"

#include <cstdint>
#include <map>
#include <string>

struct __CFBundle;
typedef __CFBundle* CFBundleRef;
typedef std::uint32_t UInt32;

extern CFStringRef const kCFBundleIdentifierKey;
extern CFStringRef const kCFBundleVersionKey;

// Not owned by the caller; null when the program's folder cannot be found.
CFBundleRef CFBundleGetMainBundle();
// A bundle that was made with CFBundleCreate or registered, not owned by the caller; null when none has
// the identifier. The latest one made or registered under the identifier is found; of the bundles made
// for one folder only the latest is kept for this (the others go when their owners release them).
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
// A new bundle (released by the caller) for an existing folder; null otherwise.
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
// The bundle's folder URL (released by the caller); null when it has none.
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// Not retained for the caller; null when the bundle's description names none.
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
// A string of the bundle's description, not retained for the caller; null when it has none.
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
// The bundle's program (released by the caller); null when the description names none or it is not
// there.
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
// The bundle's resource folder (released by the caller); null when the bundle has no folder.
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);

// A new bundle (as CFBundleCreate makes it) for every folder directly in the directory, in the order
// of their names, whose extension is bundleType (null: every folder); the caller releases the array.
// Null when the directory cannot be listed.
CFArrayRef CFBundleCreateBundlesFromDirectory(CFAllocatorRef allocator, CFURLRef directoryURL,
                                              CFStringRef bundleType);
// The package type and creator codes of the bundle folder: the first 8 bytes of "Contents/PkgInfo"
// (big-endian, as written), else "CFBundlePackageType" and "CFBundleSignature" of its Info.plist
// (four Mac Roman characters each; a missing or other one gives '????'). False, with both '????',
// when neither file tells the type. A PkgInfo shorter than 8 bytes is passed over with a line on
// standard error.
Boolean CFBundleGetPackageInfoInDirectory(CFURLRef url, UInt32* packageType, UInt32* packageCreator);

// Not a platform call: the string values of "<folder>/Contents/Info.plist" as every bundle reads them,
// for the stand-ins that index bundles without making them. False, strings empty, when the folder has
// no such file or it is skipped (the line on standard error tells why).
bool CFBundleStandInReadInfo(std::string const& folder, std::map<std::string, std::string>& strings);

// Not a platform call: a bundle loaded for the rest of the process, found by its identifier; a
// later registration of the same identifier is the one found.
void CFBundleStandInRegister(CFStringRef identifier, CFURLRef bundleURL);

// Not a platform call: how many bundle objects exist in the process (the main bundle, the registered
// ones, the latest made for each folder and those made that their owners still hold).
unsigned long CFBundleStandInLiveBundles();
