// Scope object that keeps an error context on the calling thread's context stack for its lifetime:
//
//     GExceptionLocation location(fileName);
//     ...                      // an exception made here reads "<fileName>: <message>"
//
// The path or text given must outlive the scope object; it is referred to, not copied.
#pragma once

#include "GExceptionContext.h"
#include "GLngString.h"
#include "GString.h"
#include "GThreadLocalTable.h"

class GPathName;

class GExceptionLocation
{
public:
    explicit GExceptionLocation(GPathName const& path);
    explicit GExceptionLocation(GString const& text);
    explicit GExceptionLocation(int id);
    // The message of id with the two paths for "%1" and "%2" (a move from one to the other, say).
    GExceptionLocation(int id, GPathName const& first, GPathName const& second);
    // Pops the calling thread's top context; an empty stack is left alone.
    ~GExceptionLocation();
    GExceptionLocation(GExceptionLocation const&) = delete;
    GExceptionLocation& operator=(GExceptionLocation const&) = delete;

    // The description of the calling thread's innermost context; empty when it has none.
    static GLngString GetLngDescription();

    // Each thread's stack of contexts, innermost last. Made on first use and never destroyed, so
    // that a scope or an exception of another file's static initialisation, or one made at exit by a
    // static destructor or a detached thread, still finds it.
    static GThreadLocalTable<GExceptionContext*>& ContextStack();

private:
    static void Push(GExceptionContext* context);
};
