// Runs the delivery tests with the foundation up through its counted start-up, as the delivery
// link's own start-up brings it.
#include "FoundationEnvironment.h"

namespace
{
// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sDeliveryEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::FoundationEnvironment);
} // namespace
