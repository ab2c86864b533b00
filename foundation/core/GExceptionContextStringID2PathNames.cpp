// An error context described by a message about two paths.
#include "GExceptionContextStringID2PathNames.h"

#include "GPathName.h"

GLngString GExceptionContextStringID2PathNames::GetLngDescription() const
{
    GLngString description(fID);
    description.AddString(fFirst.GetNativePathString());
    description.AddString(fSecond.GetNativePathString());
    return description;
}
