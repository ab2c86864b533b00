// The login session the process runs in, and the prefix that names of per-session shared
// objects begin with.
#include "GSessionInfo.h"

#include "GAutoPtr.h"
#include "PUNIXSessionInfo.h"

GSessionInfo::~GSessionInfo() = default;

GSessionInfo* GSessionInfo::GetInstance()
{
    static GAutoPtr<GSessionInfo, GDeletePtr> sInstance;
    if (sInstance.IsNull())
        sInstance.Reset(new PUNIXSessionInfo);
    return sInstance.Get();
}
