// The root of the platform file implementations; it holds nothing.
#pragma once

class GCommonFileImp
{
public:
    GCommonFileImp() = default;
    GCommonFileImp(GCommonFileImp const&) = delete;
    GCommonFileImp& operator=(GCommonFileImp const&) = delete;
    virtual ~GCommonFileImp() = default;
};
