// Runs the toolkit's tests with the foundation up, and Qt on its offscreen
// platform unless the caller chose another one (a display under Xvfb, for pictures of the windows).
#include <cstdlib>

#include "FoundationEnvironment.h"
#include "QtOffscreenSupport.h"

namespace
{
class QtuiEnvironment : public testsupport::FoundationEnvironment
{
public:
    void SetUp() override
    {
        FoundationEnvironment::SetUp();
        qInstallMessageHandler(testsupport::FilterPlatformNotices);
    }
    void TearDown() override
    {
        qInstallMessageHandler(nullptr);
        FoundationEnvironment::TearDown();
    }
};

// Before any test makes a Qt application, which reads the platform's name once.
bool const sPlatformChosen = setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0;

// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sQtuiEnvironment = ::testing::AddGlobalTestEnvironment(new QtuiEnvironment);
} // namespace
