// What the test programs with Qt windows share: the sanitizers' view of Qt's offscreen platform, and
// the platform's notices kept out of the tests' output. Included by the one file of a program that
// sets up its test environment, as the sanitizers take their defaults from these functions' one
// definition in the program.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdio>

// Qt's offscreen platform does not delete the screens and the cursor it makes with each application;
// tests make many applications. Full stacks are needed to tell those blocks from the tests' own.
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}

extern "C" char const* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace testsupport
{
// The platform's notices of what it cannot do offscreen say nothing about the code under test.
inline void FilterPlatformNotices(QtMsgType, QMessageLogContext const&, QString const& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace testsupport
