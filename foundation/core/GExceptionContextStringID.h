// An error context described by a string-pool message, such as the name of a step.
#pragma once

#include <cstdint>

#include "GExceptionContext.h"

class GExceptionContextStringID : public GExceptionContext
{
public:
    explicit GExceptionContextStringID(std::int32_t id) : fID(id) {}

    GLngString GetLngDescription() const override;

private:
    std::int32_t fID;
};
