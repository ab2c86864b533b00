// Runs the Installer stand-in's tests with a Qt application on the offscreen platform (unless the
// caller chose another one).
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "QtOffscreenSupport.h"

namespace
{
class HostInstallerEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        qInstallMessageHandler(testsupport::FilterPlatformNotices);
        static int argc = 1;
        static char name[] = "host_installer_tests";
        static char* argv[] = {name, nullptr};
        fApplication = new QApplication(argc, argv);
    }

    void TearDown() override
    {
        delete fApplication;
        fApplication = nullptr;
    }

private:
    QApplication* fApplication = nullptr;
};

::testing::Environment* const sEnvironment =
    ::testing::AddGlobalTestEnvironment(new HostInstallerEnvironment);
} // namespace
