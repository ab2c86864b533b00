// The InDesign host's basic types as this stand-in of its SDK gives them: numbers, the numeric ids of
// objects, interfaces, implementations and actions, error codes and points.
#pragma once

#include <cstdint>

using int16 = std::int16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using bool16 = std::int16_t;
using PMReal = double;

// A kind of host object (a "boss"), one of its interfaces, and an implementation a plug-in supplies.
using ClassID = uint32;
using PMIID = uint32;
using ImplementationID = uint32;
using ActionID = uint32;
using PluginID = uint32;
// An object of a document or book, numbered within the host.
using UID = uint32;
constexpr UID kInvalidUID = 0;

// What host calls answer: 0 for success.
using ErrorCode = int32;
constexpr ErrorCode kSuccess = 0;
constexpr ErrorCode kFailure = 1;
constexpr ErrorCode kCancel = 2;

constexpr bool16 kTrue = 1;
constexpr bool16 kFalse = 0;

// A point on the screen where a menu was chosen; the host passes it on, nobody here reads it.
struct SysPoint
{
    int32 x = 0;
    int32 y = 0;
};

// The stand-in's own ids lie in a range the host's published ids never use, so that a mix-up shows.
constexpr uint32 kStandInIDBase = 0x7E000000;
