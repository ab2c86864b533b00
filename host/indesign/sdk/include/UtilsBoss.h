// UtilsBoss: the host's utilities, each an interface of one host object, asked for by its id.
#pragma once

#include "IPMUnknown.h"

class UtilsBoss
{
public:
    UtilsBoss() = delete;

    // The utility with a reference; null when the host has none.
    template<class T>
    static T* QueryUtils()
    {
        return static_cast<T*>(QueryUtils(T::kDefaultIID));
    }
    static IPMUnknown* QueryUtils(PMIID interfaceID);
};
