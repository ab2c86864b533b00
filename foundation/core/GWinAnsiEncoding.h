// WinAnsiEncoding, code page 1252 as PDF text uses it: the Latin glyph names at their Win codes, the
// code page's holes named and read as bullets.
#pragma once

#include "GSharedObject.h"
#include "GSimpleEncoding.h"

class GWinAnsiEncoding : public GSimpleEncoding
{
public:
    GWinAnsiEncoding();
    ~GWinAnsiEncoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GWinAnsiEncoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GWinAnsiEncoding* p);

    static GBuffer const sWinAnsiDescription;

private:
    static GSharedObject<GWinAnsiEncoding> sWinAnsiEncoding;
};
