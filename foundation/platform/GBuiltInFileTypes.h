// The file kinds the registry starts with, in registration order: the first kind registered for an
// extension is the one that extension finds.
#pragma once

#include <cstdint>

struct GFileTypeRow
{
    // A string id of GFileTypeTexts.
    std::int32_t fDescriptorID;
    // Without the ".".
    char const* fExtension;
    // Mac four-character codes; "????" for any.
    char const* fCreator;
    char const* fType;
    std::int32_t fUserID;
};

class GBuiltInFileTypes
{
public:
    static constexpr int cCount = 44;
    static GFileTypeRow const sRows[cCount];
};
