// The foundation's counted start-up and shut-down.
#include "GBasicFrameworkCoreLayer.h"

#include "GASCIIEncoding.h"
#include "GAllocator.h"
#include "GAllocatorIdler.h"
#include "GDateTime.h"
#include "GDefaultProgressCenter.h"
#include "GException.h"
#include "GFileSystem.h"
#include "GFileType.h"
#include "GIdleTimeManager.h"
#include "GLanguageInfoCache.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GMutexLocker.h"
#include "GPDFDocEncoding.h"
#include "GPreferences.h"
#include "GSignalBase.h"
#include "GStandardEncoding.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "GTrace.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GUnitSupport.h"
#include "GUserMessageHandler.h"
#include "GWinAnsiEncoding.h"
#include "PMacXBasicFrameworkCoreLayer.h"
#include "PSystem.h"

std::int32_t GBasicFrameworkCoreLayer::sInitialized = 0;
PUNIXMutexImp GBasicFrameworkCoreLayer::sLock;

namespace
{
// The framework's own English texts: the name of the language in Roman and in Japanese script.
GStringPoolDataStruct sEnglishRows[] = {
    {GLanguageInfoCache::cNameRomanScriptID, "English"},
    {GLanguageInfoCache::cNameJapaneseScriptID, "English"},
};
} // namespace

bool GBasicFrameworkCoreLayer::Initialize()
{
    GMutexLocker locker(sLock);
    if (sInitialized++ != 0)
        return true;
    // The platform layer's own start is undone like the rest when it throws half way.
    Stage stage = cStagePlatform;
    try
    {
        if (!PSystem::Initialize() || !PMacXBasicFrameworkCoreLayer::Initialize())
            return false;
        GUnicodeEncoding::Initialize();
        GSignalBase::Initialize();
        stage = cStageSignals;
        GStringPoolSupport::Initialize();
        stage = cStageSingletons;
        InitializeSingletons();
        stage = cStageStrings;
        InitializeStrings();
        stage = cStagePreferences;
        GPreferences::Initialize();
        stage = cStageFileTypes;
        GFileType::Initialize();
        stage = cStageIdleTime;
        GIdleTimeManager::Initialize();
        stage = cStageUserMessages;
        GUserMessageHandler::Initialize();
    }
    catch (...) // a half-made foundation is taken down again before the error travels on
    {
        TearDown(stage);
        --sInitialized;
        throw;
    }
    return true;
}

void GBasicFrameworkCoreLayer::Finalize()
{
    GMutexLocker locker(sLock);
    if (--sInitialized == 0)
        TearDown(cStageDone);
    if (sInitialized < 0)
        sInitialized = 0;
    GAllocator::GetInstance()->ReleaseFreeLists(-1);
}

void GBasicFrameworkCoreLayer::TearDown(Stage reached)
{
    // Each step goes when the start entered it; the steps are safe on what was half made. Whatever
    // a step throws (preferences that cannot be written, a std::bad_alloc on the way), the steps
    // after it run: a foundation left half up with its count at 0 could never start again.
    auto const step = [](auto&& tearDown)
    {
        try
        {
            tearDown();
        }
        catch (...) // nobody is left to hear of it, and the rest must go in any case
        {
        }
    };
    if (reached >= cStageUserMessages)
        step([] { GUserMessageHandler::Finalize(); });
    if (reached >= cStagePreferences)
        step([] { GPreferences::Finalize(); });
    if (reached >= cStageIdleTime)
        step([] { GIdleTimeManager::Finalize(); });
    if (reached >= cStageFileTypes)
        step([] { GFileType::Finalize(); });
    step([] { GFileSystem::RemoveAllSpecialPaths(); });
    step([] { GAllocatorIdler::SetInstance(nullptr); });
    step([] { GStringPoolSupport::Finalize(); });
    step([] { GSignalBase::Finalize(); });
    if (reached >= cStageStrings)
    {
        step([] { GLanguageInfoCache::SetInstance(nullptr); });
        step([] { GStringPool::Finalize(); });
    }
    if (reached >= cStageSingletons)
    {
        step([] { GTrace::SetInstance(nullptr); });
        step([] { GProgressCenter::SetInstance(nullptr); });
        step([] { FinalizeEncodings(); });
    }
    else
        step([] { GUnicodeEncoding::Finalize(); });
    step([] { PMacXBasicFrameworkCoreLayer::Finalize(); });
    step([] { PSystem::Finalize(); });
}

void GBasicFrameworkCoreLayer::InitializeSingletons()
{
    GAllocatorIdler::SetInstance(new GAllocatorIdler);
    GASCIIEncoding::SetInstance(new GASCIIEncoding);
    GMacRomanEncoding::SetInstance(new GMacRomanEncoding);
    GPDFDocEncoding::SetInstance(new GPDFDocEncoding);
    GUnicodeEncoding::SetInstance(new GUnicodeEncoding);
    GMacExpertEncoding::SetInstance(new GMacExpertEncoding);
    GStandardEncoding::SetInstance(new GStandardEncoding);
    GUTF8Encoding::SetInstance(new GUTF8Encoding);
    GWinAnsiEncoding::SetInstance(new GWinAnsiEncoding);
    // The centre before is handed back and deleted here when it was owned.
    GProgressCenter::SetInstance(new GDefaultProgressCenter);
    GTrace::SetInstance(new GTrace);
}

void GBasicFrameworkCoreLayer::InitializeStrings()
{
    GStringPool::Initialize();
    GLanguageInfoCache::SetInstance(new GLanguageInfoCache);
    GDateTime::Initialize();
    GUnitSupport::Initialize();
    GException::Initialize();
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", sEnglishRows,
                                          int(sizeof sEnglishRows / sizeof sEnglishRows[0]), false);
}

void GBasicFrameworkCoreLayer::FinalizeStrings()
{
    GLanguageInfoCache::SetInstance(nullptr);
    GStringPool::Finalize();
}

void GBasicFrameworkCoreLayer::FinalizeSingletons()
{
    GTrace::SetInstance(nullptr);
    GProgressCenter::SetInstance(nullptr);
    FinalizeEncodings();
}

void GBasicFrameworkCoreLayer::FinalizeEncodings()
{
    GUnicodeEncoding::Finalize();
    GWinAnsiEncoding::SetInstance(nullptr);
    GUTF8Encoding::SetInstance(nullptr);
    GUnicodeEncoding::SetInstance(nullptr);
    GStandardEncoding::SetInstance(nullptr);
    GPDFDocEncoding::SetInstance(nullptr);
    GMacRomanEncoding::SetInstance(nullptr);
    GMacExpertEncoding::SetInstance(nullptr);
    GASCIIEncoding::SetInstance(nullptr);
}
