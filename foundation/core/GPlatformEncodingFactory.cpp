// The installed factory of platform encodings.
#include "GPlatformEncodingFactory.h"

GAutoPtr<GPlatformEncodingFactory> GPlatformEncodingFactory::sPlatformEncodingFactory;

GPlatformEncodingFactory::~GPlatformEncodingFactory() = default;

void GPlatformEncodingFactory::SetInstance(GPlatformEncodingFactory* p)
{
    sPlatformEncodingFactory.Reset(p);
}

GPlatformEncodingFactory* GPlatformEncodingFactory::GetInstance()
{
    return sPlatformEncodingFactory.Get();
}
