// The root of every error the foundation throws: its id is the string-pool id of its message, and it
// carries the description of the innermost error context of the thread that made it.
#pragma once

#include "GLngString.h"
#include "GString.h"

class GException
{
public:
    GException();
    // Id 2451 (out of memory) captures no context, so that it needs no memory.
    explicit GException(int id);
    // The copy keeps the source's context: an exception rethrown by value outside the scope that
    // made it still tells where the error happened.
    GException(GException const& other);
    GException& operator=(GException const& other);
    virtual ~GException();

    // The message of the id.
    virtual GLngString GetLngDescription() const;
    // The context, ": " and the description; the description alone when there is no context.
    virtual GLngString GetLngFullDescription() const;
    virtual int GetExceptionID() const;

    GString GetDescription() const;
    GString GetFullDescription() const;

    // Registers the English message table with the string pool; called once by the start-up.
    static void Initialize();

private:
    // Its NewHandler throws ContextOutOfMemory on a thread that is capturing a context.
    friend class GAllocator;

    // Thrown instead of the allocator's low-memory handling while this thread captures a context;
    // it never leaves this class.
    struct ContextOutOfMemory
    {
    };
    static thread_local bool sCapturingContext;

    // Sets the context to what describe() gives, or leaves it empty when that fails: building an
    // exception never throws in place of the error it reports.
    template<class Describe>
    void CaptureWith(Describe describe);
    void CaptureContext(GLngString const& source);
    void CaptureCurrentContext();

    int fID;
    GLngString fContext;
};
