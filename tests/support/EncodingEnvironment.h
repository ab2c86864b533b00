// A gtest environment that runs a whole test program with the encodings up, and takes the
// encodings and the signals down at its end.
#pragma once

#include <gtest/gtest.h>

#include "EncodingStartup.h"
#include "GSignalBase.h"

namespace testsupport
{
class EncodingEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { StartEncodings(); }
    // The signals that the tests made go too, as at the framework's last shut-down: their
    // registry lives to the end of the process, and the leak checker would report them after it.
    void TearDown() override
    {
        StopEncodings();
        GSignalBase::Finalize();
    }
};
} // namespace testsupport
