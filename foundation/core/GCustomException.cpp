// An error described by a literal text.
#include "GCustomException.h"

#include <new>

namespace
{
// Building an exception must not throw in place of the error being reported: without memory for
// the copy the exception describes itself by its id.
GString* CopyText(GString const* text)
{
    if (!text)
        return nullptr;
    try
    {
        return new GString(*text);
    }
    catch (std::bad_alloc const&)
    {
        return nullptr;
    }
}
} // namespace

GCustomException::GCustomException(int id) : GException(id), fText(nullptr) {}

GCustomException::GCustomException(int id, GString const& text) : GException(id), fText(CopyText(&text)) {}

GCustomException::GCustomException(GCustomException const& other)
    : GException(other), fText(CopyText(other.fText))
{
}

GCustomException& GCustomException::operator=(GCustomException const& other)
{
    if (this == &other)
        return *this;
    GString* text = CopyText(other.fText);
    GException::operator=(other);
    delete fText;
    fText = text;
    return *this;
}

GCustomException::~GCustomException()
{
    delete fText;
}

GLngString GCustomException::GetLngDescription() const
{
    if (fText && !fText->IsEmpty())
        return GLngString(*fText);
    return GException::GetLngDescription();
}
