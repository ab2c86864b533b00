// The installed system-information service.
#include "GSystemInfo.h"

GAutoPtr<GSystemInfo> GSystemInfo::sInstance;

GSystemInfo::~GSystemInfo() = default;

GSystemInfo* GSystemInfo::GetInstance()
{
    return sInstance.Get();
}

void GSystemInfo::SetInstance(GSystemInfo* instance)
{
    sInstance.Reset(instance);
}
