// The root of every error the foundation throws, and the capture of the thread's error context.
#include "GException.h"

#include <new>

#include "GExceptionLocation.h"
#include "GExceptionMessages.h"
#include "GStringPoolSupport.h"

namespace
{
constexpr int cGeneralExceptionID = 2450;
constexpr int cOutOfMemoryID = 2451;
} // namespace

thread_local bool GException::sCapturingContext = false;

GException::GException() : fID(cGeneralExceptionID)
{
    CaptureCurrentContext();
}

GException::GException(int id) : fID(id)
{
    if (id != cOutOfMemoryID)
        CaptureCurrentContext();
}

GException::GException(GException const& other) : fID(other.fID)
{
    CaptureContext(other.fContext);
}

GException& GException::operator=(GException const& other)
{
    if (this != &other)
    {
        fID = other.fID;
        CaptureContext(other.fContext);
    }
    return *this;
}

GException::~GException() = default;

void GException::CaptureCurrentContext()
{
    // A failure inside the capture (a failed lock of the context stack, say) makes an exception
    // itself; that one goes without context instead of capturing again.
    if (sCapturingContext)
        return;
    sCapturingContext = true;
    try
    {
        fContext = GExceptionLocation::GetLngDescription();
    }
    catch (ContextOutOfMemory const&)
    {
        fContext = GLngString();
    }
    catch (std::bad_alloc const&) // GMemoryException, or no allocator handler installed yet
    {
        fContext = GLngString();
    }
    catch (GException const&) // the stack's own failure: the exception being built matters more
    {
        fContext = GLngString();
    }
    sCapturingContext = false;
}

void GException::CaptureContext(GLngString const& source)
{
    bool const outer = !sCapturingContext;
    sCapturingContext = true;
    try
    {
        fContext = source;
    }
    catch (ContextOutOfMemory const&)
    {
        fContext = GLngString();
    }
    catch (std::bad_alloc const&) // GMemoryException, or no allocator handler installed yet
    {
        fContext = GLngString();
    }
    if (outer)
        sCapturingContext = false;
}

GLngString GException::GetLngDescription() const
{
    return GLngString(fID);
}

GLngString GException::GetLngFullDescription() const
{
    if (fContext.IsEmpty())
        return GetLngDescription();
    GLngString full(fContext);
    full += GLngString(GString(": "));
    full += GetLngDescription();
    return full;
}

int GException::GetExceptionID() const
{
    return fID;
}

GString GException::GetDescription() const
{
    return GetLngDescription().GetReadableString();
}

GString GException::GetFullDescription() const
{
    return GetLngFullDescription().GetReadableString();
}

void GException::Initialize()
{
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GExceptionMessages::sRows,
                                          GExceptionMessages::cCount, false);
}
