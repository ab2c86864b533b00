// An error context described by a path.
#include "GExceptionContextPathName.h"

#include "GPathName.h"

GLngString GExceptionContextPathName::GetLngDescription() const
{
    return GLngString(fPath.GetNativePathString());
}
