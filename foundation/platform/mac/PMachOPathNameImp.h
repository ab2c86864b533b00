// The POSIX side of macOS path names: a path is absolute when it starts with "/", there is no root
// name before it, and the native form is the portable text itself.
#pragma once

#include "PMacPathNameImpBase.h"

class GPathName;

class PMachOPathNameImp : public PMacPathNameImpBase
{
public:
    // Empty or not starting with "/".
    bool IsRelative() const;
    bool HasRootDirectory() const { return !IsRelative(); }
    bool HasRootName() const { return false; }
    int GetRootNameLength() const { return 0; }
    // The hash of the lowercased text, so that paths equal ignoring case hash alike.
    int GetHash() const;

    void ConvertPortableToNative(GString const& portable, GString& native) const;
    void ConvertNativeToPortable(GString const& native, GString& portable) const;

    // The path made absolute: the empty path becomes "/", a relative one gets "/" in front; one that
    // starts with ".." throws 40068.
    void MakeRootDirectory();
    // The same as MakeRootDirectory; the text is not consulted.
    void SetCrossPlatformRootPathString(GString const& root);

private:
    GPathName& Self();
    GPathName const& Self() const;
};
