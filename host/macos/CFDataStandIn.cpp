// The CoreFoundation byte-object stand-in.
#include "CFDataStandIn.h"

#include <vector>

struct __CFData : CFStandInObject
{
    bool IsEqualTo(CFStandInObject const& other) const override
    {
        __CFData const* data = dynamic_cast<__CFData const*>(&other);
        return data && data->fBytes == fBytes;
    }

    std::vector<UInt8> fBytes;
};

CFDataRef CFDataCreate(CFAllocatorRef, UInt8 const* bytes, CFIndex length)
{
    if (length < 0 || (length > 0 && !bytes))
        return nullptr;
    __CFData* data = new __CFData;
    data->fBytes.assign(bytes, bytes + length);
    return data;
}

CFIndex CFDataGetLength(CFDataRef theData)
{
    return theData ? static_cast<CFIndex>(theData->fBytes.size()) : 0;
}

UInt8 const* CFDataGetBytePtr(CFDataRef theData)
{
    return theData && !theData->fBytes.empty() ? theData->fBytes.data() : nullptr;
}

Boolean CFDataStandInIsData(CFTypeRef object)
{
    return object && dynamic_cast<__CFData const*>(static_cast<CFStandInObject const*>(object)) != nullptr;
}
