// The English messages of the Sendrixor registry's layer.
#include "GPPRozorazIzivozadaTexts.h"

// clang-format off
GStringPoolDataStruct GPPRozorazIzivozadaTexts::sRows[cCount] = {
    {30050004, "Launch"},
    {30050005, "Delete"},
    {30050006, "Make Drop"},
    {30050007, "Manual Reset"},
    {30050008, "Reset"},
};
// clang-format on
