// An error whose message is a literal text given when it is thrown (a system's own error text, say),
// classified by its id.
#pragma once

#include "GException.h"
#include "GString.h"

class GCustomException : public GException
{
public:
    explicit GCustomException(int id);
    GCustomException(int id, GString const& text);
    GCustomException(GCustomException const& other);
    GCustomException& operator=(GCustomException const& other);
    ~GCustomException() override;

    // The literal text; the message of the id when there is none or it is empty.
    GLngString GetLngDescription() const override;

private:
    // Owned; null without literal text.
    GString* fText;
};
