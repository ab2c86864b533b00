// What the HostPickerPane bundle exports besides its pane class: the constants of the supported
// InDesign and the two functions that name and find its installations. Strings are handed out
// autoreleased, as everything the pane's platform hands out.
#pragma once

#include "macos/CFArrayStandIn.h"
#include "macos/CFStringStandIn.h"

extern "C"
{
    // The bundle identifier of the host application.
    extern CFStringRef const cCSAppId;
    // What a folder's path must contain for the folder scan to look into it.
    extern CFStringRef const cCSAppFolder;
    // The first display name, and what stands for "%@" in the pane's texts.
    extern CFStringRef const cCSAppDisplayName;
    // A bundle version (CFBundleVersion's leading integer) divided by cCSBundleVersionDivFactor must be
    // cCSVersionSupported.
    extern int const cCSVersionSupported;
    extern int const cCSBundleVersionDivFactor;
    // How many levels of folders the folder scan goes down.
    extern int const cRecursiveDirDepth;

    // A display name that is not among existingNames: cCSAppDisplayName, or it followed by " (n)".
    CFStringRef getDisplayName(CFArrayRef existingNames);
    // The folders that hold a supported InDesign application directly in path, or (depth above 0) in the
    // folders there whose path contains cCSAppFolder, in the order met; a new display name is appended
    // to displayNames for each.
    CFArrayRef getBundles(CFStringRef path, CFMutableArrayRef displayNames, int depth);
}
