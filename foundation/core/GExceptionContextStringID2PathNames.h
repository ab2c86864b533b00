// An error context described by a string-pool message about two paths, such as a move from one to
// the other; it refers to the caller's paths, which outlive it.
#pragma once

#include <cstdint>

#include "GExceptionContext.h"

class GPathName;

class GExceptionContextStringID2PathNames : public GExceptionContext
{
public:
    GExceptionContextStringID2PathNames(std::int32_t id, GPathName const& first, GPathName const& second)
        : fID(id), fFirst(first), fSecond(second)
    {
    }

    // The message of the id with the two native paths for "%1" and "%2".
    GLngString GetLngDescription() const override;

private:
    std::int32_t fID;
    GPathName const& fFirst;
    GPathName const& fSecond;
};
