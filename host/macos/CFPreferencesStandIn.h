// This project's stand-in for the CoreFoundation preferences that the platform layer reads: values
// by key in domains of application, user and host, kept in memory for the life of the process.
// The user's "AppleLanguages" list starts as the process's messages locale (de_DE.UTF-8 gives
// "de-DE"; C and POSIX give "en"), read once; tests set the lists they need through the setters.
#pragma once

#include "CFStringStandIn.h"

typedef CFTypeRef CFPropertyListRef;

extern CFStringRef const kCFPreferencesAnyApplication;
extern CFStringRef const kCFPreferencesCurrentApplication;
extern CFStringRef const kCFPreferencesAnyHost;
extern CFStringRef const kCFPreferencesCurrentHost;
extern CFStringRef const kCFPreferencesAnyUser;
extern CFStringRef const kCFPreferencesCurrentUser;

// The application's value, else the one every application of the current user shares (any host);
// null when neither domain has the key. The caller releases what it gets.
CFPropertyListRef CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID);
// The value of exactly one domain, or null.
CFPropertyListRef CFPreferencesCopyValue(CFStringRef key, CFStringRef applicationID, CFStringRef userName,
                                         CFStringRef hostName);
// Stores a retained value (null removes the key) for the current user and any host.
void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID);
void CFPreferencesSetValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID,
                           CFStringRef userName, CFStringRef hostName);

// Not a platform call: forgets every value, so that only the default language list is left.
void CFPreferencesStandInReset();
