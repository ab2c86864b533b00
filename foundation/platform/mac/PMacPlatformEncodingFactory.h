// The macOS factory of platform encodings: one encoding per CoreFoundation encoding id, made on
// first request and kept for the factory's life. Requests take no lock: make them on one thread.
#pragma once

#include "GDict.h"
#include "GPlatformEncodingFactory.h"
#include "GSharedObject.h"

class PMacPlatformEncoding;

class PMacPlatformEncodingFactory : public GPlatformEncodingFactory
{
public:
    PMacPlatformEncodingFactory();
    // Releases the current encoding, the Shift-JIS one, then every cached one.
    ~PMacPlatformEncodingFactory() override;

    // Follows the system's default text encoding, asked afresh on every call.
    GPlatformEncoding* GetPlatformEncoding() override;
    GPlatformEncoding* GetShiftJISEncoding() override;
    GPlatformEncoding* GetPRCEncoding() override;
    PMacPlatformEncoding* GetEncodingForCFStringEncoding(int id);

    static int GetCurrentCFStringEncoding();

private:
    GDict<int, GSharedObject<GPlatformEncoding>> fCache;
    GSharedObject<PMacPlatformEncoding> fShiftJISEncoding;
    int fSystemEncodingID;
    GSharedObject<PMacPlatformEncoding> fPlatformEncoding;
};
