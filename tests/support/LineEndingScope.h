// Sets the platform's line ending for one test and puts the old one back.
#pragma once

#include "GBufferSupport.h"

namespace testsupport
{
class LineEndingScope
{
public:
    LineEndingScope(bool needsCR, bool needsLF)
        : fOldCR(GBufferSupport::sLineEndingNeedsCR), fOldLF(GBufferSupport::sLineEndingNeedsLF)
    {
        GBufferSupport::SetLineEnding(needsCR, needsLF);
    }
    ~LineEndingScope() { GBufferSupport::SetLineEnding(fOldCR, fOldLF); }
    LineEndingScope(LineEndingScope const&) = delete;
    LineEndingScope& operator=(LineEndingScope const&) = delete;

private:
    bool fOldCR;
    bool fOldLF;
};
} // namespace testsupport
