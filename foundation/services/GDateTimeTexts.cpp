// The English month names and the date and time patterns.
#include "GDateTimeTexts.h"

// clang-format off
GStringPoolDataStruct GDateTimeTexts::sRows[cCount] = {
    {2401, "January"},
    {-1, "February"},
    {-1, "March"},
    {-1, "April"},
    {-1, "May"},
    {-1, "June"},
    {-1, "July"},
    {-1, "August"},
    {-1, "September"},
    {-1, "October"},
    {-1, "November"},
    {-1, "December"},
    {2413, "%2 %1, %3"},
    {2414, "%3:%2:%1"},
};
// clang-format on
