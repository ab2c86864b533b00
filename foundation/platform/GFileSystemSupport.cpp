// Checks shared by the file-system facade's operations.
#include "GFileSystemSupport.h"

#include "GPathName.h"
#include "GSimpleException.h"

void GFileSystemSupport::ThrowIfRelative(GPathName const& path)
{
    if (path.IsRelative())
        throw GSimpleException(40068);
}
