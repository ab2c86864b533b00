// StandardEncoding, the built-in encoding of Latin text fonts: the Latin glyph names at their Standard
// codes, each with the character the glyph list gives it.
#pragma once

#include "GSharedObject.h"
#include "GSimpleEncoding.h"

class GStandardEncoding : public GSimpleEncoding
{
public:
    GStandardEncoding();
    ~GStandardEncoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GStandardEncoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GStandardEncoding* p);

    static GBuffer const sStandardDescription;

private:
    static GSharedObject<GStandardEncoding> sStandardEncoding;
};
