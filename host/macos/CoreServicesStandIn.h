// This project's stand-in for the CoreServices calls that the platform layer makes: Gestalt for the
// system version, the processor count and the calling task of the Multiprocessing Services, and the
// machine's and user's names. Gestalt knows no
// selector until a test sets one; the names come from gethostname and the password database unless
// a test gives others.
#pragma once

#include "CFStringStandIn.h"

typedef std::int16_t OSErr;
typedef std::int32_t SInt32;
typedef std::uint32_t OSType;
typedef unsigned long ItemCount;

constexpr OSErr noErr = 0;
constexpr OSErr gestaltUndefSelectorErr = -5551;
// 'sys1' and 'sys2'.
constexpr OSType gestaltSystemVersionMajor = 0x73797331;
constexpr OSType gestaltSystemVersionMinor = 0x73797332;

// noErr and the selector's value, or gestaltUndefSelectorErr with response untouched.
OSErr Gestalt(OSType selector, SInt32* response);
// Not a platform call: gives a selector a value; a null response makes it unknown again.
void GestaltStandInSetValue(OSType selector, SInt32 const* response);

// The processors the system has online.
ItemCount MPProcessors();

// A task of the Multiprocessing Services is a thread. The process's first thread is the main
// thread, the one task that is not preemptive, as on the platform.
struct OpaqueMPTaskID;
typedef OpaqueMPTaskID* MPTaskID;
MPTaskID MPCurrentTaskID();
Boolean MPTaskIsPreemptive(MPTaskID task);

// The computer's name; null when the system gives none. The caller releases it.
CFStringRef CSCopyMachineName();
// The login name, or (useShortName false) the full name: the password entry's comment up to its
// first comma, the login name when that is empty; null without a password entry.
CFStringRef CSCopyUserName(Boolean useShortName);
// Not platform calls: a name of the test's choosing (retained; null makes the system give none),
// and back to the system's own names.
void CSStandInSetMachineName(CFStringRef name);
void CSStandInSetUserName(CFStringRef fullName);
void CSStandInUseSystemNames();
