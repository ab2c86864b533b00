// Brings the encodings up and down the way the foundation's start-up and shut-down do.
#include "EncodingStartup.h"

#include "GASCIIEncoding.h"
#include "GBufferSupport.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GStandardEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "PMacPlatformEncodingFactory.h"

namespace testsupport
{
void StartEncodings()
{
    // The platform start-up sets the line ending before anything reads escape codes or line ends:
    // a carriage return alone.
    GBufferSupport::SetLineEnding(true, false);
    GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    GUnicodeEncoding::Initialize();
    GASCIIEncoding::SetInstance(new GASCIIEncoding);
    GMacRomanEncoding::SetInstance(new GMacRomanEncoding);
    GPDFDocEncoding::SetInstance(new GPDFDocEncoding);
    GUnicodeEncoding::SetInstance(new GUnicodeEncoding);
    GMacExpertEncoding::SetInstance(new GMacExpertEncoding);
    GStandardEncoding::SetInstance(new GStandardEncoding);
    GUTF8Encoding::SetInstance(new GUTF8Encoding);
    GWinAnsiEncoding::SetInstance(new GWinAnsiEncoding);
}

void StopEncodings()
{
    GUnicodeEncoding::Finalize();
    GWinAnsiEncoding::SetInstance(nullptr);
    GUTF8Encoding::SetInstance(nullptr);
    GUnicodeEncoding::SetInstance(nullptr);
    GStandardEncoding::SetInstance(nullptr);
    GPDFDocEncoding::SetInstance(nullptr);
    GMacRomanEncoding::SetInstance(nullptr);
    GMacExpertEncoding::SetInstance(nullptr);
    GASCIIEncoding::SetInstance(nullptr);
    GPlatformEncodingFactory::SetInstance(nullptr);
}
} // namespace testsupport
