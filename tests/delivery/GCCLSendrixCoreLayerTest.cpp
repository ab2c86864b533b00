// The delivery link's counted start-up and shut-down: only the first start and the last stop act,
// and the layer's messages are there in English.
#include <gtest/gtest.h>

#include "GCCLSendrixCoreLayer.h"
#include "GShMemID.h"
#include "GStringPool.h"
#include "StringText.h"

namespace
{
// The layer's messages stay in the string pool once registered, so each test starts from a fresh
// pool and leaves one behind.
class GCCLSendrixCoreLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 0);
        GStringPool::Finalize();
        GStringPool::Initialize();
    }
    void TearDown() override
    {
        while (GCCLSendrixCoreLayer::GetInitializeCount() > 0)
            GCCLSendrixCoreLayer::Finalize();
        GShMemID::Finalize();
        GStringPool::Finalize();
        GStringPool::Initialize();
    }

    static bool SpecialIDsAreThere() { return !GShMemID::GetSpecialID(201).IsEmpty(); }
};
} // namespace

TEST_F(GCCLSendrixCoreLayerTest, OnlyTheLastStopOfSeveralStartsTakesTheLayerDown)
{
    EXPECT_TRUE(GCCLSendrixCoreLayer::Initialize());
    EXPECT_TRUE(GCCLSendrixCoreLayer::Initialize());
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 2);
    GCCLSendrixCoreLayer::Finalize();
    EXPECT_TRUE(SpecialIDsAreThere());
    GCCLSendrixCoreLayer::Finalize();
    EXPECT_FALSE(SpecialIDsAreThere());
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 0);
}

TEST_F(GCCLSendrixCoreLayerTest, AStartThatIsNotTheFirstOnlyCounts)
{
    GCCLSendrixCoreLayer::Initialize();
    GShMemID::Finalize();
    GCCLSendrixCoreLayer::Initialize();
    EXPECT_FALSE(SpecialIDsAreThere()) << "the second start made the special ids again";
}

TEST_F(GCCLSendrixCoreLayerTest, AStopWithoutAStartChangesNothing)
{
    GCCLSendrixCoreLayer::Finalize();
    GCCLSendrixCoreLayer::Finalize();
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 0);
    GCCLSendrixCoreLayer::Initialize();
    EXPECT_TRUE(SpecialIDsAreThere()) << "the unpaired stops made the next start a mere count";
    EXPECT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 1);
}

TEST_F(GCCLSendrixCoreLayerTest, StartsAgainAfterAFullStop)
{
    GCCLSendrixCoreLayer::Initialize();
    GCCLSendrixCoreLayer::Finalize();
    GCCLSendrixCoreLayer::Initialize();
    EXPECT_TRUE(SpecialIDsAreThere());
}

TEST_F(GCCLSendrixCoreLayerTest, RegistersItsMessagesInEnglish)
{
    GString english("enUS");
    EXPECT_TRUE(GStringPool::GetString(english, 30050000).IsEmpty());
    GCCLSendrixCoreLayer::Initialize();
    struct Case
    {
        int fID;
        char const* fText;
    };
    Case const cases[] = {
        {30050000, "Could not create the semaphore (common resources lock)"},
        {30050001, "Could not lock the semaphore"},
        {30050002, "Could not unlock the semaphore"},
        {30050003, "Named semaphore already exist but could not unlink"},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fID);
        EXPECT_EQ(testsupport::Utf8Of(GStringPool::GetString(english, entry.fID)), entry.fText);
    }
}
