// This project's stand-in for the CoreFoundation bundles the platform layer looks up: the main
// bundle (the folder of the running program), the bundles a test registers as loaded under an
// identifier, and bundles made from a folder.
#pragma once

#include "CFURLStandIn.h"

struct __CFBundle;
typedef __CFBundle* CFBundleRef;

// Not owned by the caller; null when the program's folder cannot be found.
CFBundleRef CFBundleGetMainBundle();
// A loaded bundle, not owned by the caller; null when none has the identifier.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
// A new bundle (released by the caller) for an existing folder; null otherwise.
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
// The bundle's folder URL (released by the caller); null when it has none.
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// Not retained for the caller; null for a bundle made from a folder.
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);

// Not a platform call: a bundle loaded for the rest of the process, found by its identifier; a
// later registration of the same identifier is the one found.
void CFBundleStandInRegister(CFStringRef identifier, CFURLRef bundleURL);
