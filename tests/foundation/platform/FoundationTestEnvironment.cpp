// Runs the whole platform test program with the encodings up, as the foundation's start-up brings them.
#include "EncodingEnvironment.h"

namespace
{
// Registered during static initialisation; gtest owns it and runs SetUp before the first test.
::testing::Environment* const sEncodingEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::EncodingEnvironment);
} // namespace
