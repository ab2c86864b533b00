// Runs the toolkit's tests with the foundation up, and Qt on its offscreen
// platform unless the caller chose another one (a display under Xvfb, for pictures of the windows).
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include "FoundationEnvironment.h"

// Qt's offscreen platform does not delete the screens and the cursor it makes with each application;
// the tests make many applications. Full stacks are needed to tell those blocks from the tests' own.
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}

extern "C" char const* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace
{
// The platform's notices of what it cannot do offscreen say nothing about the toolkit.
void FilterPlatformNotices(QtMsgType, QMessageLogContext const&, QString const& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

class QtuiEnvironment : public testsupport::FoundationEnvironment
{
public:
    void SetUp() override
    {
        FoundationEnvironment::SetUp();
        qInstallMessageHandler(FilterPlatformNotices);
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
