// Paths as the user and Qt see them.
#include "GQUIPathNameSupport.h"

#include "GQStringSupport.h"

GString GQUIPathNameSupport::ConvertToUIGString(GPathName const& path)
{
    if (path.IsEmpty())
        return GString();
    return path.GetMachOPathString();
}

QString GQUIPathNameSupport::ConvertToUIQString(GPathName const& path)
{
    return GQStringSupport::ToQString(ConvertToUIGString(path));
}
