// The POSIX side of macOS path names.
#include "PMachOPathNameImp.h"

#include "GPathName.h"
#include "GPathText.h"
#include "GSimpleException.h"

namespace
{
constexpr int cInvalidPathID = 40068;
} // namespace

// GPathName is the only class that derives from this one.
GPathName& PMachOPathNameImp::Self()
{
    return static_cast<GPathName&>(*this);
}

GPathName const& PMachOPathNameImp::Self() const
{
    return static_cast<GPathName const&>(*this);
}

bool PMachOPathNameImp::IsRelative() const
{
    GPathText const path(GetPortablePath());
    return path.GetCount() == 0 || path[0] != '/';
}

int PMachOPathNameImp::GetHash() const
{
    GString lower(GetPortablePath());
    lower.ToLower();
    return lower.GetHash();
}

void PMachOPathNameImp::ConvertPortableToNative(GString const& portable, GString& native) const
{
    Self().ConvertPortableToMachO(portable, native);
}

void PMachOPathNameImp::ConvertNativeToPortable(GString const& native, GString& portable) const
{
    Self().ConvertMachOToPortable(native, portable);
}

void PMachOPathNameImp::MakeRootDirectory()
{
    GPathText const path(GetPortablePath());
    if (path.GetCount() == 0)
    {
        Self().SetCrossPlatformString(GString("/"));
        return;
    }
    if (path[0] == '/')
        return;
    if (path.StartsWith(".."))
        throw GSimpleException(cInvalidPathID);
    Self().SetCrossPlatformString(GPathText::Concat(GString("/"), GetPortablePath()));
}

void PMachOPathNameImp::SetCrossPlatformRootPathString(GString const&)
{
    MakeRootDirectory();
}
