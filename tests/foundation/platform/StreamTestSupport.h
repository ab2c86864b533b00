// Input streams for the stream tests that memory streams alone cannot stand in for: one that
// delivers a byte per read, as slow sources may, and one that cannot be cloned.
#pragma once

#include <algorithm>
#include <string>

#include "BufferText.h"
#include "GBuffer.h"
#include "GMemoryInStream.h"

namespace streamtest
{
class TrickleStream : public GInStream
{
public:
    explicit TrickleStream(std::string const& bytes) : fBytes(testsupport::BufferOf(bytes)), fInner(fBytes) {}
    TrickleStream(TrickleStream const& other) : GInStream(other), fBytes(other.fBytes), fInner(fBytes)
    {
        fInner.Skip(other.fInner.GetPosition());
    }

    GInStream* CreateClone() const override { return new TrickleStream(*this); }
    int Read(GBuffer& out, int count) override { return fInner.Read(out, std::min(count, 1)); }
    void Reset() override { fInner.Reset(); }
    int GetPosition() const { return fInner.GetPosition(); }

private:
    GBuffer fBytes;
    GMemoryInStream fInner;
};

class UncloneableStream : public GMemoryInStream
{
public:
    explicit UncloneableStream(GBuffer const& bytes) : GMemoryInStream(bytes) {}
    GInStream* CreateClone() const override { return nullptr; }
};
} // namespace streamtest
