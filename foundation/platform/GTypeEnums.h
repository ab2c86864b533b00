// The kinds of content the stream sniffers tell apart. The values are stored and compared by
// callers, so they never change; each is named by a string id of the file-kind table.
#pragma once

class GTypeEnums
{
public:
    GTypeEnums() = delete;

    enum Types : int
    {
        cUnknown = 0,
        cEmpty = 1,
        cPDF = 2,
        cPostScript = 3,
        cEPS = 4,
        cJPEG = 5,
        cGIF = 6,
        cTIFF = 7,
        cBitmap = 8,
        cCMap = 9,
        cMMType1 = 10,
        // Type 1 in binary segments, as Windows keeps it.
        cWinType1 = 11,
        // Type 1 as PostScript text.
        cPSType1 = 12,
        cOpenTypeCFF = 13,
        cTrueType = 14,
        // OpenType with both CFF and TrueType outlines.
        cOpenTypeCFFTrueType = 15,
        cTrueTypeCollection = 16,
        cType1MacSFNT = 17,
        cTrueTypeMac = 18,
        cICCProfile = 19,
        cFontMetrics = 20,
        cXML = 21
    };
    static constexpr int cLastType = cXML;
};
