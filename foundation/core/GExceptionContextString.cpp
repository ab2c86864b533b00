// An error context described by a text.
#include "GExceptionContextString.h"

GLngString GExceptionContextString::GetLngDescription() const
{
    return GLngString(fText);
}
