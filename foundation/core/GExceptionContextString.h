// An error context described by a text; it refers to the caller's string, which outlives it.
#pragma once

#include "GExceptionContext.h"
#include "GString.h"

class GExceptionContextString : public GExceptionContext
{
public:
    explicit GExceptionContextString(GString const& text) : fText(text) {}

    // The text as it stands when the exception is made, as a literal.
    GLngString GetLngDescription() const override;

private:
    GString const& fText;
};
