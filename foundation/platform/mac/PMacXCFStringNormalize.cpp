// The switch that makes the system's Unicode normalisation available to the platform encodings.
#include "PMacXCFStringNormalize.h"

#include "GMutexLocker.h"

std::atomic<PMacXCFStringNormalize::NormalizeFunction> PMacXCFStringNormalize::cf_CFStringNormalize{nullptr};
int PMacXCFStringNormalize::sBindingCount = 0;

namespace
{
// Encodings are destroyed by whichever thread drops the last reference, possibly during exit, so
// the lock is made on first use and never destroyed.
PUNIXMutexImp& BindingLock()
{
    static PUNIXMutexImp* const sLock = new PUNIXMutexImp;
    return *sLock;
}
} // namespace

void PMacXCFStringNormalize::Initialize()
{
    GMutexLocker locker(BindingLock());
    if (sBindingCount++ == 0)
        cf_CFStringNormalize.store(&CFStringNormalize, std::memory_order_release);
}

void PMacXCFStringNormalize::Finalize()
{
    GMutexLocker locker(BindingLock());
    if (sBindingCount == 0)
        return;
    if (--sBindingCount == 0)
        cf_CFStringNormalize.store(nullptr, std::memory_order_release);
}

int PMacXCFStringNormalize::GetBindingCount()
{
    GMutexLocker locker(BindingLock());
    return sBindingCount;
}
