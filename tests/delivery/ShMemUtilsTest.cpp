// Integers and length-prefixed byte strings at a block's position: their bytes, and failures that
// leave the position, the data and the caller's buffer as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "ErrorOf.h"
#include "GBinaryShMemUtils.h"
#include "GBufferShMemUtils.h"
#include "GSharedMemoryBase.h"
#include "PUNIXSharedMemory.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::ObjectView;
using deliverytest::TextOf;
using testsupport::ErrorOf;

using Block = GSharedMemoryBase<PUNIXSharedMemory>;

class ShMemUtilsTest : public deliverytest::SharedObjectsTest
{
protected:
    void SetUp() override
    {
        fID = NewID();
        bool created = false;
        fBlock = std::make_unique<Block>(GBuffer(), BufferOf(fID), 10, created);
        fView = std::make_unique<ObjectView>("/ZlvShD" + fID);
        ASSERT_TRUE(fView->IsMapped());
    }
    void TearDown() override
    {
        fView.reset();
        fBlock.reset();
        SharedObjectsTest::TearDown();
    }

    unsigned char* Data() const { return fView->Bytes() + PUNIXSharedMemory::cHeaderSize; }
    std::string DataText() const { return std::string(reinterpret_cast<char const*>(Data()), 10); }

    std::string fID;
    std::unique_ptr<Block> fBlock;
    std::unique_ptr<ObjectView> fView;
};
} // namespace

TEST_F(ShMemUtilsTest, WritesIntegersInTheMachinesByteOrder)
{
    fBlock->SetPosition(2);
    GBinaryShMemUtils::Write(*fBlock, 0x01020304);
    EXPECT_EQ(fBlock->GetPosition(), 6);
    unsigned char const expected[] = {0, 0, 4, 3, 2, 1, 0};
    EXPECT_EQ(std::memcmp(Data(), expected, sizeof expected), 0);
    fBlock->SetPosition(2);
    int value = 0;
    GBinaryShMemUtils::Read(*fBlock, value);
    EXPECT_EQ(value, 0x01020304);
    EXPECT_EQ(fBlock->GetPosition(), 6);
}

TEST_F(ShMemUtilsTest, AnIntegerThatDoesNotFitLeavesThePositionAlone)
{
    struct Case
    {
        int fPosition;
        int fReadError;
        int fWriteError;
    };
    Case const cases[] = {
        {6, 0, 0}, {7, 40161, 40160}, {10, 40161, 40160}, {100, 40161, 40160}, {-1, 40163, 40164},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fPosition);
        std::memset(Data(), 0, 10);
        fBlock->SetPosition(entry.fPosition);
        EXPECT_EQ(ErrorOf([&] { GBinaryShMemUtils::Write(*fBlock, -1); }), entry.fWriteError);
        if (entry.fWriteError != 0)
        {
            EXPECT_EQ(fBlock->GetPosition(), entry.fPosition);
            EXPECT_EQ(DataText(), std::string(10, '\0'));
        }
        fBlock->SetPosition(entry.fPosition);
        int value = 5;
        EXPECT_EQ(ErrorOf([&] { GBinaryShMemUtils::Read(*fBlock, value); }), entry.fReadError);
        if (entry.fReadError != 0)
        {
            EXPECT_EQ(fBlock->GetPosition(), entry.fPosition);
            EXPECT_EQ(value, 5);
        }
        else
        {
            EXPECT_EQ(value, -1);
        }
    }
}

TEST_F(ShMemUtilsTest, WritesAByteStringAfterItsLength)
{
    fBlock->SetPosition(1);
    GBufferShMemUtils::Write(*fBlock, BufferOf("hello"));
    EXPECT_EQ(fBlock->GetPosition(), 10);
    EXPECT_EQ(DataText(), std::string("\0\5\0\0\0hello", 10));
    fBlock->SetPosition(1);
    GBuffer out;
    GBufferShMemUtils::Read(*fBlock, out);
    EXPECT_EQ(TextOf(out), "hello");
    EXPECT_EQ(fBlock->GetPosition(), 10);

    fBlock->SetPosition(0);
    GBufferShMemUtils::Write(*fBlock, GBuffer());
    fBlock->SetPosition(0);
    GBufferShMemUtils::Read(*fBlock, out);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(fBlock->GetPosition(), 4);
}

TEST_F(ShMemUtilsTest, AByteStringThatDoesNotFitLeavesNoLengthBehind)
{
    for (std::string const& text : {std::string("1234567"), std::string("123456789"), std::string(20, 'x')})
    {
        SCOPED_TRACE(text);
        std::memset(Data(), 0, 10);
        fBlock->SetPosition(0);
        EXPECT_EQ(ErrorOf([&] { GBufferShMemUtils::Write(*fBlock, BufferOf(text)); }), 40160);
        EXPECT_EQ(fBlock->GetPosition(), 0);
        EXPECT_EQ(DataText(), std::string(10, '\0'));
    }
}

TEST_F(ShMemUtilsTest, RefusesALengthTheDataCannotHold)
{
    // Another process wrote the length: negative, beyond the data, or just one byte too many.
    for (int length : {-1, -2147483647 - 1, 7, 100, 2147483647})
    {
        SCOPED_TRACE(length);
        std::memcpy(Data() + 1, &length, 4);
        fBlock->SetPosition(1);
        GBuffer out = BufferOf("kept");
        EXPECT_EQ(ErrorOf([&] { GBufferShMemUtils::Read(*fBlock, out); }), 40161);
        EXPECT_EQ(fBlock->GetPosition(), 1);
        EXPECT_EQ(TextOf(out), "kept");
    }
}
