// An error context described by a string-pool message.
#include "GExceptionContextStringID.h"

GLngString GExceptionContextStringID::GetLngDescription() const
{
    return GLngString(fID);
}
