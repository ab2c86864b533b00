// Runs the plug-in's tests with the foundation up through its counted start-up, as the plug-in's
// own start-up brings it, and the export tools' and the Qt layer's messages in the string pool. The
// plug-in's windows appear on Qt's offscreen platform unless the caller chose another one (a display
// under Xvfb, for pictures of the windows).
#include <cstdlib>

#include "FoundationEnvironment.h"
#include "GBuffer.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GQUILayerTexts.h"
#include "GStringPoolSupport.h"
#include "QtOffscreenSupport.h"

namespace
{
class PluginEnvironment : public testsupport::FoundationEnvironment
{
public:
    void SetUp() override
    {
        FoundationEnvironment::SetUp();
        qInstallMessageHandler(testsupport::FilterPlatformNotices);
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GCPTCSPluginToolsTexts::sRows, GCPTCSPluginToolsTexts::cCount,
                                              false);
        // "Pages", the failure of a page range, is the Qt layer's.
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GQUILayerTexts::sRows,
                                              GQUILayerTexts::cCount, false);
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
::testing::Environment* const sPluginEnvironment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);
} // namespace
