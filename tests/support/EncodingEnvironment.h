// A gtest environment that runs a whole test program with the encodings up.
#pragma once

#include <gtest/gtest.h>

#include "EncodingStartup.h"

namespace testsupport
{
class EncodingEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { StartEncodings(); }
    void TearDown() override { StopEncodings(); }
};
} // namespace testsupport
