// The installed process-information service.
#include "GProcessInfo.h"

GAutoPtr<GProcessInfo> GProcessInfo::sInstance;

GProcessInfo::~GProcessInfo() = default;

GProcessInfo* GProcessInfo::GetInstance()
{
    return sInstance.Get();
}

void GProcessInfo::SetInstance(GProcessInfo* instance)
{
    sInstance.Reset(instance);
}
