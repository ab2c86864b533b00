// This project's stand-in for the CoreFoundation string calls of the platform encodings: strings of
// UTF-16 units, code-page conversion through the C library's iconv, Unicode normalisation through
// ICU, and the system's default text encoding, which a test may change.
#pragma once

#include "CFBaseStandIn.h"

#include <cstdarg>
#include <string>

typedef std::uint32_t CFStringEncoding;
typedef std::int32_t SInt32;

// The encodings the platform layer names; CFStringIsEncodingAvailable tells which ids convert.
constexpr CFStringEncoding kCFStringEncodingMacRoman = 0;
constexpr CFStringEncoding kCFStringEncodingMacJapanese = 1;
// UTF-16 in the machine's byte order.
constexpr CFStringEncoding kCFStringEncodingUnicode = 0x0100;
constexpr CFStringEncoding kCFStringEncodingUTF8 = 0x08000100;
// Simplified Chinese, code page 936.
constexpr CFStringEncoding kCFStringEncodingDOSChineseSimplif = 0x0421;

// Canonical and compatibility composition (C, KC) and decomposition (D, KD).
enum CFStringNormalizationForm
{
    kCFStringNormalizationFormC,
    kCFStringNormalizationFormKC,
    kCFStringNormalizationFormD,
    kCFStringNormalizationFormKD
};

struct __CFString;
typedef __CFString const* CFStringRef;
typedef __CFString* CFMutableStringRef;

Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding);

// Mac OS Roman until a test says otherwise.
CFStringEncoding CFStringGetSystemEncoding();
// Not a platform call: lets a test change the system's default text encoding. Refuses (false,
// nothing changed) an id that CFStringIsEncodingAvailable does not know.
Boolean CFStringStandInSetSystemEncoding(CFStringEncoding encoding);

// Null when the bytes do not read as text in the encoding (or the encoding is unknown). For
// kCFStringEncodingUnicode an odd trailing byte is ignored; as external representation a leading
// byte-order mark is read and dropped.
CFStringRef CFStringCreateWithBytes(CFAllocatorRef allocator, UInt8 const* bytes, CFIndex byteCount,
                                    CFStringEncoding encoding, Boolean external);
// Reads the caller's units in place. Unless unitsAllocator is kCFAllocatorNull the string owns them
// and frees them with the C heap when it goes.
CFStringRef CFStringCreateWithCharactersNoCopy(CFAllocatorRef allocator, UniChar const* units,
                                               CFIndex unitCount, CFAllocatorRef unitsAllocator);
// limit 0 means none; a string longer than limit gives null.
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef allocator, CFIndex limit, CFStringRef string);

// The length in UTF-16 units.
CFIndex CFStringGetLength(CFStringRef string);

// Converts the units of range into encoding and returns how many units were converted; written
// (when not null) gets the bytes written. Without a buffer it only measures. With replacement 0 it
// stops at the first character the encoding cannot hold (or an unpaired surrogate); otherwise
// replacement stands for each such character. It also stops where capacity bytes would be exceeded.
// An external representation of kCFStringEncodingUnicode starts with a byte-order mark.
CFIndex CFStringGetBytes(CFStringRef string, CFRange range, CFStringEncoding encoding, UInt8 replacement,
                         Boolean external, UInt8* buffer, CFIndex capacity, CFIndex* written);

void CFStringNormalize(CFMutableStringRef string, CFStringNormalizationForm form);

// A string that lives as long as the process; releasing it is harmless as long as every release
// follows a retain, as on the platform.
#define CFSTR(text) CFStringStandInMakeConstantString("" text "")
CFStringRef CFStringStandInMakeConstantString(char const* text);

// The zero-terminated bytes of text in encoding; null when they do not read.
CFStringRef CFStringCreateWithCString(CFAllocatorRef allocator, char const* text, CFStringEncoding encoding);
// The whole string in encoding followed by a zero byte; false when it does not fit into capacity bytes
// or a character does not convert.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex capacity, CFStringEncoding encoding);

// --- comparing, finding, numbers and formats, as the installer pane uses them ---

constexpr CFIndex kCFNotFound = -1;

enum CFComparisonResult : CFIndex
{
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1
};

typedef unsigned long CFStringCompareFlags;
// Letters compare by their simple case folding, one character (code point) at a time.
constexpr CFStringCompareFlags kCFCompareCaseInsensitive = 1;

// Orders by UTF-16 units (case-folded first with kCFCompareCaseInsensitive); a string that is the
// start of the other comes first.
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions);
// The first place of stringToFind in theString, in units of theString; {kCFNotFound, 0} when it is
// not there or is empty.
CFRange CFStringFind(CFStringRef theString, CFStringRef stringToFind, CFStringCompareFlags compareOptions);
// Replaces every place of stringToFind within rangeToSearch of theString (left to right, places
// not overlapping) and returns how many were replaced.
CFIndex CFStringFindAndReplace(CFMutableStringRef theString, CFStringRef stringToFind,
                               CFStringRef replacementString, CFRange rangeToSearch,
                               CFStringCompareFlags compareOptions);
// The decimal integer at the string's start, after white space, with its sign; 0 when there is
// none; INT32_MAX or INT32_MIN when it does not fit.
SInt32 CFStringGetIntValue(CFStringRef str);

// A string made from the format, as printf makes one, where %@ takes a string object (its text;
// "(null)" for null, "<CFType>" for another kind of object) and %s a UTF-8 C string. Flags, width,
// precision and the length modifiers hh, h, l, ll, q, z and j are read; a conversion the stand-in does
// not know is copied as written. formatOptions is not used.
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFTypeRef formatOptions,
                                                 CFStringRef format, va_list arguments);

// Not a platform call: the text as UTF-8 for the other stand-ins (empty for null; a lone surrogate
// ends it).
std::string CFStringStandInGetUTF8(CFStringRef string);
