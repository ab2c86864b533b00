// MacExpertEncoding, the expert set of small capitals, fractions and figures: glyph names of the
// expert character set, each with the character the glyph list gives it (mostly private-use).
#pragma once

#include "GSharedObject.h"
#include "GSimpleEncoding.h"

class GMacExpertEncoding : public GSimpleEncoding
{
public:
    GMacExpertEncoding();
    ~GMacExpertEncoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GMacExpertEncoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GMacExpertEncoding* p);

    static GBuffer const sMacExpertDescription;

private:
    static GSharedObject<GMacExpertEncoding> sMacExpertEncoding;
};
