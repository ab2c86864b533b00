// The text of a path as the user and Qt see it: its POSIX form.
#pragma once

#include <QString>

#include "GPathName.h"
#include "GString.h"

class GQUIPathNameSupport
{
public:
    GQUIPathNameSupport() = delete;

    // The empty string for an empty path, otherwise the POSIX path text.
    static GString ConvertToUIGString(GPathName const& path);
    static QString ConvertToUIQString(GPathName const& path);
};
