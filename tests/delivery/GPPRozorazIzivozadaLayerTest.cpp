// The delivery link's counted start-up for the plug-in's tools: it brings the core layer and the IPC
// manager up once and down once, with the layer's messages, and a start that fails is undone.
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GCCLSendrixCoreLayer.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueueMgr.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GShMemID.h"
#include "GSharedMemoryBase.h"
#include "GStringPool.h"
#include "PUNIXSharedMemory.h"
#include "PeerProcess.h"
#include "SharedObjects.h"

TEST(GPPRozorazIzivozadaLayerTest, ComesUpOnceAndGoesDownWithTheLastFinalize)
{
    deliverytest::PeerLock const machineWide;
    ASSERT_EQ(GPPRozorazIzivozadaLayer::GetInitializeCount(), 0);
    GPPRozorazIzivozadaLayer::Finalize();
    EXPECT_EQ(GPPRozorazIzivozadaLayer::GetInitializeCount(), 0) << "a Finalize without Initialize counted";
    EXPECT_TRUE(GPPRozorazIzivozadaLayer::Initialize());
    GPPIPCManager* const manager = GPPIPCManager::GetInstance();
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(GPPRozorazIzivozadaLayer::Initialize());
    EXPECT_EQ(GPPIPCManager::GetInstance(), manager);
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 1);
    EXPECT_EQ(GStringPool::GetString(30050006), GString("Make Drop"));
    GPPRozorazIzivozadaLayer::Finalize();
    EXPECT_EQ(GPPIPCManager::GetInstance(), manager);
    GPPRozorazIzivozadaLayer::Finalize();
    EXPECT_EQ(GPPIPCManager::GetInstance(), nullptr);
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 0);
    EXPECT_EQ(GPPRozorazIzivozadaLayer::GetInitializeCount(), 0);
    // The messages go with the string pool, as the framework's shut-down takes them.
    GStringPool::Finalize();
    GStringPool::Initialize();
}

TEST(GPPRozorazIzivozadaLayerTest, AStartThatFailsIsUndoneAndTheNextStartTriesAgain)
{
    deliverytest::PeerLock const machineWide;
    // The registry of receivers, made by another version of the link: the IPC manager cannot open it.
    bool created = false;
    GSharedMemoryBase<PUNIXSharedMemory> const registry(GBuffer(), GBuffer("GIPC_PP"),
                                                        GPPIPCMessageQueueMgr::cDataSize, created);
    ASSERT_TRUE(created) << "another process has the machine's registry open";
    auto const setVersion = [](std::int32_t version)
    {
        testsupport::ChildProcess other(
            [version](testsupport::ChildProcess::Child const&)
            {
                deliverytest::ObjectView const view("/ZlvShDGIPC_PP");
                view.SetField(PUNIXSharedMemory::cHeaderSize + GPPIPCMessageQueueMgr::cVersionOffset,
                              version);
                return view.IsMapped() ? 0 : 1;
            });
        return other.Wait() == 0;
    };
    ASSERT_TRUE(setVersion(2));
    std::int32_t const foundation = GBasicFrameworkCoreLayer::GetInitializeCount();
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(testsupport::ErrorOf([] { GPPRozorazIzivozadaLayer::Initialize(); }), 40154);
        EXPECT_EQ(GPPRozorazIzivozadaLayer::GetInitializeCount(), 0);
        EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 0);
        EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), foundation);
        EXPECT_EQ(GPPIPCManager::GetInstance(), nullptr);
        EXPECT_TRUE(GShMemID::GetSpecialID(201).IsEmpty()) << "the core layer stayed up";
    }
    ASSERT_TRUE(setVersion(1));
    EXPECT_TRUE(GPPRozorazIzivozadaLayer::Initialize());
    EXPECT_NE(GPPIPCManager::GetInstance(), nullptr);
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 1);
    GPPRozorazIzivozadaLayer::Finalize();
    EXPECT_EQ(GPPIPCManager::GetInstance(), nullptr);
    GStringPool::Finalize();
    GStringPool::Initialize();
}
