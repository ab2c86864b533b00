// The macOS factory of platform encodings.
#include "PMacPlatformEncodingFactory.h"

#include "PMacPlatformEncoding.h"
#include "macos/CFStringStandIn.h"

PMacPlatformEncodingFactory::PMacPlatformEncodingFactory() : fCache(5), fSystemEncodingID(-1) {}

PMacPlatformEncodingFactory::~PMacPlatformEncodingFactory()
{
    fPlatformEncoding = nullptr;
    fShiftJISEncoding = nullptr;
    fCache.RemoveAll();
}

GPlatformEncoding* PMacPlatformEncodingFactory::GetPlatformEncoding()
{
    int const id = GetCurrentCFStringEncoding();
    if (id != fSystemEncodingID || fPlatformEncoding.IsNull())
    {
        PMacPlatformEncoding* encoding = GetEncodingForCFStringEncoding(id);
        fSystemEncodingID = id;
        fPlatformEncoding = encoding;
    }
    return fPlatformEncoding.Get();
}

GPlatformEncoding* PMacPlatformEncodingFactory::GetShiftJISEncoding()
{
    if (fShiftJISEncoding.IsNull())
        fShiftJISEncoding = GetEncodingForCFStringEncoding(kCFStringEncodingMacJapanese);
    return fShiftJISEncoding.Get();
}

GPlatformEncoding* PMacPlatformEncodingFactory::GetPRCEncoding()
{
    return GetEncodingForCFStringEncoding(kCFStringEncodingDOSChineseSimplif);
}

PMacPlatformEncoding* PMacPlatformEncodingFactory::GetEncodingForCFStringEncoding(int id)
{
    if (GSharedObject<GPlatformEncoding> const* cached = fCache.Find(id))
        return static_cast<PMacPlatformEncoding*>(cached->Get());
    GSharedObject<GPlatformEncoding> const encoding(new PMacPlatformEncoding(id));
    fCache.Put(id, encoding);
    return static_cast<PMacPlatformEncoding*>(encoding.Get());
}

int PMacPlatformEncodingFactory::GetCurrentCFStringEncoding()
{
    return static_cast<int>(CFStringGetSystemEncoding());
}
