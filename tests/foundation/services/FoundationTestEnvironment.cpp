// Runs the whole test program with the foundation up, as a program of the system starts it.
#include "FoundationEnvironment.h"

namespace
{
// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sFoundationEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::FoundationEnvironment);
} // namespace
