// PDFDocEncoding, the encoding of PDF text strings: the Latin glyph names at their PDF codes and the
// PDFDoc characters.
#pragma once

#include "GSharedObject.h"
#include "GSimpleEncoding.h"

class GPDFDocEncoding : public GSimpleEncoding
{
public:
    GPDFDocEncoding();
    ~GPDFDocEncoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GPDFDocEncoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GPDFDocEncoding* p);

    static GBuffer const sPDFDocDescription;

private:
    static GSharedObject<GPDFDocEncoding> sPDFDocEncoding;
};
