// Hands out the platform encodings. The platform start-up installs its own factory; the installed
// one owns the encodings it made and keeps one per system encoding id.
#pragma once

#include "GAutoPtr.h"

class GPlatformEncoding;

class GPlatformEncodingFactory
{
public:
    // Each returns a borrowed encoding that lives at least as long as the factory.
    virtual GPlatformEncoding* GetPlatformEncoding() = 0;
    virtual GPlatformEncoding* GetShiftJISEncoding() = 0;
    virtual GPlatformEncoding* GetPRCEncoding() = 0;
    virtual ~GPlatformEncodingFactory();

    // Destroys the installed factory, if any, and installs p, taking ownership; null leaves none.
    static void SetInstance(GPlatformEncodingFactory* p);
    static GPlatformEncodingFactory* GetInstance();

protected:
    GPlatformEncodingFactory() = default;

private:
    GPlatformEncodingFactory(GPlatformEncodingFactory const&) = delete;
    GPlatformEncodingFactory& operator=(GPlatformEncodingFactory const&) = delete;

    static GAutoPtr<GPlatformEncodingFactory> sPlatformEncodingFactory;
};
