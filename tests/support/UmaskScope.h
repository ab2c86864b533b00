// Runs one scope under a file-mode mask of the test's choosing and gives the process its own back
// afterwards.
#pragma once

#include <sys/stat.h>

namespace testsupport
{
class UmaskScope
{
public:
    explicit UmaskScope(mode_t mask) : fPrevious(umask(mask)) {}
    ~UmaskScope() { umask(fPrevious); }
    UmaskScope(UmaskScope const&) = delete;
    UmaskScope& operator=(UmaskScope const&) = delete;

private:
    mode_t fPrevious;
};
} // namespace testsupport
