// The English messages of the delivery link's core layer.
#include "GCCLSendrixCoreTexts.h"

// clang-format off
GStringPoolDataStruct GCCLSendrixCoreTexts::sRows[cCount] = {
    {30050000, "Could not create the semaphore (common resources lock)"},
    {30050001, "Could not lock the semaphore"},
    {30050002, "Could not unlock the semaphore"},
    {30050003, "Named semaphore already exist but could not unlink"},
};
// clang-format on
