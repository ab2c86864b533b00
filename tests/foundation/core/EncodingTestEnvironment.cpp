// Brings the encodings up for the whole core test program as the foundation's start-up does, and takes
// them down in its shut-down order, so that every test sees the eight singletons and the Unicode tables.
#include <gtest/gtest.h>

#include "GASCIIEncoding.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GStandardEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "PMacPlatformEncodingFactory.h"

namespace
{
class EncodingTestEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // The platform factory first, as the platform start-up installs it: composition of UTF-16
        // text goes through the platform encoding.
        GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
        // The tables next: the MacExpert and Standard encodings name their characters through them
        // while they are built.
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

    void TearDown() override
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
};

// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sEncodingEnvironment =
    ::testing::AddGlobalTestEnvironment(new EncodingTestEnvironment);
} // namespace
