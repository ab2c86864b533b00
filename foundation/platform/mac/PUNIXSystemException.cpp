// A failed POSIX call described by strerror's text.
#include "PUNIXSystemException.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "GUTF8Encoding.h"

namespace
{
// strerror's text read as UTF-8; empty when strerror reports the number as unknown by setting errno,
// or when there is no memory for the text (the exception then describes itself by its id). The
// caller's errno is kept.
GString SystemErrorText(int errorNumber)
{
    int const callersErrno = errno;
    errno = 0;
    char const* text = std::strerror(errorNumber);
    bool const known = errno == 0 && text;
    errno = callersErrno;
    if (!known)
        return GString();
    try
    {
        return GString(text, GUTF8Encoding::GetInstance(), false);
    }
    catch (std::bad_alloc const&)
    {
        return GString();
    }
}
} // namespace

PUNIXSystemException::PUNIXSystemException(int errorNumber)
    : GCustomException(cID, SystemErrorText(errorNumber)), fErrorCode(errorNumber)
{
}
