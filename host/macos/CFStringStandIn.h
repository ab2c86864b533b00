// This project's stand-in for the CoreFoundation string calls of the platform encodings: strings of
// UTF-16 units, code-page conversion through the C library's iconv, Unicode normalisation through
// ICU, and the system's default text encoding, which a test may change.
#pragma once

#include "CFBaseStandIn.h"

#include <string>

typedef std::uint32_t CFStringEncoding;

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

// Not a platform call: the text as UTF-8 for the other stand-ins (empty for null; a lone surrogate
// ends it).
std::string CFStringStandInGetUTF8(CFStringRef string);
