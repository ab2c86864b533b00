// Mac OS Roman as PDF text uses it: the Latin glyph names at their Mac codes and the characters
// of the Mac OS Roman table.
#pragma once

#include "GSharedObject.h"
#include "GSimpleEncoding.h"

class GMacRomanEncoding : public GSimpleEncoding
{
public:
    GMacRomanEncoding();
    ~GMacRomanEncoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GMacRomanEncoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GMacRomanEncoding* p);

    static GBuffer const sMacRomanDescription;

private:
    static GSharedObject<GMacRomanEncoding> sMacRomanEncoding;
};
