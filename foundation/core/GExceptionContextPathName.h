// An error context described by a path; it refers to the caller's path, which outlives it.
#pragma once

#include "GExceptionContext.h"

class GPathName;

class GExceptionContextPathName : public GExceptionContext
{
public:
    explicit GExceptionContextPathName(GPathName const& path) : fPath(path) {}

    // The path's native text as it stands when the exception is made, as a literal.
    GLngString GetLngDescription() const override;

private:
    GPathName const& fPath;
};
