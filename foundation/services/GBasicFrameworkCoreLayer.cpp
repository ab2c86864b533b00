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
    if (!PSystem::Initialize() || !PMacXBasicFrameworkCoreLayer::Initialize())
        return false;

    Stage stage = cStagePlatform;
    try
    {
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
    // Each step goes when the start entered it; the steps are safe on what was half made.
    if (reached >= cStageUserMessages)
        GUserMessageHandler::Finalize();
    if (reached >= cStagePreferences)
    {
        try
        {
            GPreferences::Finalize();
        }
        catch (GException const&) // preferences that cannot be written must not stop the shut-down
        {
        }
    }
    if (reached >= cStageIdleTime)
        GIdleTimeManager::Finalize();
    if (reached >= cStageFileTypes)
        GFileType::Finalize();
    GFileSystem::RemoveAllSpecialPaths();
    GAllocatorIdler::SetInstance(nullptr);
    GStringPoolSupport::Finalize();
    GSignalBase::Finalize();
    if (reached >= cStageStrings)
        FinalizeStrings();
    if (reached >= cStageSingletons)
        FinalizeSingletons();
    else
        GUnicodeEncoding::Finalize();
    PMacXBasicFrameworkCoreLayer::Finalize();
    PSystem::Finalize();
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
