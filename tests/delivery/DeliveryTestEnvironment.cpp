// Runs the delivery tests with what the framework's start-up gives the delivery link: the encodings,
// the string pool and the process-information service.
#include <gtest/gtest.h>

#include "EncodingStartup.h"
#include "GProcessInfo.h"
#include "GStringPool.h"
#include "PMacXProcessInfo.h"

namespace
{
class DeliveryEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        testsupport::StartEncodings();
        GStringPool::Initialize();
        GProcessInfo::SetInstance(new PMacXProcessInfo);
    }
    void TearDown() override
    {
        GProcessInfo::SetInstance(nullptr);
        GStringPool::Finalize();
        testsupport::StopEncodings();
    }
};

// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sDeliveryEnvironment =
    ::testing::AddGlobalTestEnvironment(new DeliveryEnvironment);
} // namespace
