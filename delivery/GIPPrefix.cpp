// The prefixes of the names of shared objects.
#include "GIPPrefix.h"

namespace
{
// Indexed by GIPPrefix::ID.
char const* const cPrefixes[] = {"ZlvDef", "ZlvMtx", "ZlvShD", "ZlvShL"};
} // namespace

char const* GIPPrefix::GetPrefix(ID id)
{
    int const index = static_cast<int>(id);
    if (index < 0 || index >= static_cast<int>(sizeof cPrefixes / sizeof cPrefixes[0]))
        return nullptr;
    return cPrefixes[index];
}
