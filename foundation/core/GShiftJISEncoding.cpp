// The platform's Shift-JIS encoding, from the installed factory.
#include "GShiftJISEncoding.h"

#include "GPlatformEncodingFactory.h"

GPlatformEncoding* GShiftJISEncoding::GetInstance()
{
    GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
    return factory ? factory->GetShiftJISEncoding() : nullptr;
}
