// The capacities of every dictionary, and the line end of the text forms.
#include "GDictUtil.h"

#include "GMemoryException.h"
#include "GString.h"
#include "PSystem.h"

std::int32_t const GDictUtil::sPrime[cPrimeCount] = {
    7,     13,    23,    41,    67,    89,    127,    173,    263,    307,     389,     467,    587,   751,
    937,   1091,  1367,  1709,  2131,  2663,  3329,   4177,   5471,   8219,    10949,   13691,  16433, 19181,
    21911, 27407, 32887, 38371, 43853, 87701, 175433, 350843, 701653, 1403309, 2806597, 5613217};

std::int32_t GDictUtil::GetAllocation(std::int32_t n)
{
    if (n < 6)
        return sPrime[0];
    std::int64_t t = std::int64_t(4) * n / 3;
    for (int i = 1; i < cPrimeCount; ++i)
    {
        if (sPrime[i] > t)
            return sPrime[i];
    }
    std::int64_t capacity = sPrime[cPrimeCount - 1];
    while (capacity <= t)
        capacity *= 2;
    // No slot array of that many slots could be addressed with a signed 32-bit capacity.
    if (capacity > INT32_MAX)
        throw GMemoryException();
    return static_cast<std::int32_t>(capacity);
}

GString GDictUtil::GetEOLString()
{
    char text[3] = {};
    int length = 0;
    if (PSystem::GetLineEndingNeedsCR())
        text[length++] = '\r';
    if (PSystem::GetLineEndingNeedsLF())
        text[length++] = '\n';
    return GString(text);
}
