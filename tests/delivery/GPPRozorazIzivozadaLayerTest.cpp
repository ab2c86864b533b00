// The delivery link's counted start-up for the plug-in's tools: it brings the core layer and the IPC
// manager up once and down once, with the layer's messages.
#include <gtest/gtest.h>

#include "GCCLSendrixCoreLayer.h"
#include "GPPIPCManager.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GStringPool.h"
#include "PeerProcess.h"

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
