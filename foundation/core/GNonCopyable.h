// The base of classes whose objects stand for one thing (a service, a connection) and so must not be
// copied or assigned.
#pragma once

class GNonCopyable
{
public:
    GNonCopyable(GNonCopyable const&) = delete;
    GNonCopyable& operator=(GNonCopyable const&) = delete;

protected:
    GNonCopyable() = default;
    // Not virtual: nothing is deleted through this base.
    ~GNonCopyable() = default;
};
