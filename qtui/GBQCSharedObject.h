// An object shared by several components of one process, counted in a dynamic property of the object
// itself, so that components that know nothing of one another agree on who deletes it.
#pragma once

class QObject;

class GBQCSharedObject
{
public:
    GBQCSharedObject() = delete;

    // The property that holds the number of users.
    static char const* const cRefCountProperty;

    // True when the property converts to a number other than 0. A null object gives false.
    static bool IsShared(QObject const* object);
    // The property's number; 0 when missing, not numeric or the object is null.
    static int GetRefCount(QObject const* object);
    // Adds count users (to 0 when the property is missing).
    static void Acquire(QObject* object, unsigned count);
    // Takes count users away; when no more than count were left (compared unsigned), deletes the
    // object instead.
    static void Release(QObject* object, unsigned count);
};
