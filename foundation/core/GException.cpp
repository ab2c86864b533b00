// The root of every error the foundation throws, and the capture of the thread's error context.
#include "GException.h"

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

template<class Describe>
void GException::CaptureWith(Describe describe)
{
    // Only the outermost capture of the thread clears the mark again, however it is left.
    struct Mark
    {
        bool const fOuter = !sCapturingContext;
        Mark() { sCapturingContext = true; }
        ~Mark()
        {
            if (fOuter)
                sCapturingContext = false;
        }
    } mark;
    try
    {
        fContext = describe();
    }
    catch (...) // out of memory (ContextOutOfMemory, GMemoryException), a failed lock of the context
                // stack or any other failure: the exception being built matters more than its context
    {
        fContext = GLngString();
    }
}

void GException::CaptureCurrentContext()
{
    // A failure inside the capture (a failed lock of the context stack, say) makes an exception
    // itself; that one goes without context instead of capturing again.
    if (sCapturingContext)
        return;
    CaptureWith([] { return GExceptionLocation::GetLngDescription(); });
}

void GException::CaptureContext(GLngString const& source)
{
    CaptureWith([&source]() -> GLngString const& { return source; });
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
