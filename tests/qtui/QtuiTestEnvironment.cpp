// Runs the toolkit's tests with the encodings and the string pool up, and Qt on its offscreen
// platform unless the caller chose another one (a display under Xvfb, for pictures of the windows).
#include <cstdlib>

#include "EncodingEnvironment.h"
#include "GStringPool.h"

namespace
{
class QtuiEnvironment : public testsupport::EncodingEnvironment
{
public:
    void SetUp() override
    {
        EncodingEnvironment::SetUp();
        GStringPool::Initialize();
    }
    void TearDown() override
    {
        GStringPool::Finalize();
        EncodingEnvironment::TearDown();
    }
};

// Before any test makes a Qt application, which reads the platform's name once.
bool const sPlatformChosen = setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;

// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sQtuiEnvironment = ::testing::AddGlobalTestEnvironment(new QtuiEnvironment);
} // namespace
