// This project's stand-in for the CoreFoundation file URLs through which the platform layer turns
// HFS paths ("Macintosh HD:Users:me:notes.txt", colon-separated, starting with a volume name) into
// POSIX paths and back. The boot volume is "/" and answers to its name (VolumesStandIn.h); any other
// volume lives under /Volumes. A "/" inside an HFS name is a
// ":" in the POSIX name, and the other way round. A path starting with ":" (HFS) or without "/" at
// the start (POSIX) is relative, and an empty HFS step ("a::b") goes up one folder.
#pragma once

#include "CFStringStandIn.h"

enum CFURLPathStyle : CFIndex
{
    kCFURLPOSIXPathStyle = 0,
    kCFURLHFSPathStyle = 1,
    kCFURLWindowsPathStyle = 2
};

struct __CFURL;
typedef __CFURL const* CFURLRef;

// Null for a null or empty path, or a style other than POSIX and HFS.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory);
// bufLen bytes of a POSIX path (no terminator needed); null when it is empty.
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, UInt8 const* buffer,
                                                 CFIndex bufLen, Boolean isDirectory);
// The path in the style, without a trailing separator except for a volume's root ("/", "Data:");
// null for another style or when the path does not read as UTF-8.
CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle);
// The POSIX path followed by a zero byte, a relative one made absolute against the current folder
// when resolveAgainstBase; false when it does not fit into maxBufLen bytes.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);
Boolean CFURLHasDirectoryPath(CFURLRef anURL);

// A file URL of the object a file reference stands for (FileManagerStandIn.h); null for none.
struct FSRef;
CFURLRef CFURLCreateFromFSRef(CFAllocatorRef allocator, FSRef const* fsRef);
// The reference of the object at the file URL, symbolic links followed; false when there is none.
Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);
