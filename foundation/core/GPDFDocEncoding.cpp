// The PDFDoc encoding's tables and singleton.
#include "GPDFDocEncoding.h"

// Borrows the literal, so the description needs no allocation and outlives every static.
GBuffer const GPDFDocEncoding::sPDFDocDescription = []
{
    GBuffer description;
    description.SetFromStatic("PDFDocEncoding");
    return description;
}();

GSharedObject<GPDFDocEncoding> GPDFDocEncoding::sPDFDocEncoding;

GPDFDocEncoding::GPDFDocEncoding() : GSimpleEncoding(sPDFDocDescription)
{
    AddLatinGlyphNames(&GLatinGlyphRow::fPDF, false);
    AddCharacters(sPDFDocToUnicode);
}

GPDFDocEncoding::~GPDFDocEncoding() = default;

GPDFDocEncoding* GPDFDocEncoding::GetInstance()
{
    return sPDFDocEncoding.Get();
}

void GPDFDocEncoding::SetInstance(GPDFDocEncoding* p)
{
    sPDFDocEncoding = p;
}
