// The PDFDoc encoding's tables and singleton.
#include "GPDFDocEncoding.h"

GBuffer const GPDFDocEncoding::sPDFDocDescription = GBuffer::FromStatic("PDFDocEncoding");

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
