// A remembered answer held as an integer: ask the user, or the answer given once and kept. Any value
// other than the three reads as remembered-rejected wherever it is read.
#pragma once

using GTriState = int;

constexpr GTriState cTriStateRejected = 0;
constexpr GTriState cTriStateAsk = 1;
constexpr GTriState cTriStateAccepted = 2;
