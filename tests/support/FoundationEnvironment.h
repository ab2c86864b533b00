// A gtest environment that runs a whole test program with the foundation up, started and stopped
// through its counted start-up as every program of the system does.
#pragma once

#include <gtest/gtest.h>

#include "GBasicFrameworkCoreLayer.h"

namespace testsupport
{
class FoundationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { GBasicFrameworkCoreLayer::Initialize(); }
    // The last Finalize takes every singleton down, the signals that the tests made included, so
    // that the leak checker sees nothing left at exit.
    void TearDown() override { GBasicFrameworkCoreLayer::Finalize(); }
};
} // namespace testsupport
