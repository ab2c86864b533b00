// Brings the encodings up and down the way the foundation's start-up and shut-down do, for test
// programs and benchmarks that run without the framework's counted start-up.
#pragma once

namespace testsupport
{
// The platform line ending (CR alone), the platform encoding factory, the Unicode tables, then the
// eight encoding singletons in start-up order (the MacExpert and Standard encodings name their
// characters through the tables while built).
void StartEncodings();
// The reverse, in the shut-down order.
void StopEncodings();
} // namespace testsupport
