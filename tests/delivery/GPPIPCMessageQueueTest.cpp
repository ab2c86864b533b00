// Message queues: the records appended and their offsets, the size a queue can take, appending
// once (for any sender, and for one sender's own record), taking all records, records of another
// version skipped by their length, and damaged offsets met with a clear error.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "ErrorOf.h"
#include "GPPIPCMessageQueue.h"
#include "PUNIXSharedMemory.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::ObjectView;
using deliverytest::TextOf;
using testsupport::ErrorOf;
using Queue = GPPIPCMessageQueue;
using Messages = GTable<GSmartPtr<GPPIPCMessage>>;

constexpr int cData = PUNIXSharedMemory::cHeaderSize;

class GPPIPCMessageQueueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int sCount = 0;
        fRegistration = 700000 + ++sCount;
        fName = "/ZlvShDP" + std::to_string(getpid()) + "MQ" + std::to_string(fRegistration);
    }
    void TearDown() override
    {
        shm_unlink(fName.c_str());
        shm_unlink(("/ZlvShL" + fName.substr(7)).c_str());
    }
    std::unique_ptr<Queue> Make(bool* createdOut = nullptr) const
    {
        bool created = false;
        auto queue = std::make_unique<Queue>(-1, getpid(), fRegistration, created);
        if (createdOut)
            *createdOut = created;
        return queue;
    }
    std::unique_ptr<ObjectView> View() const { return std::make_unique<ObjectView>(fName); }
    static std::vector<unsigned char> BytesOf(ObjectView const& view)
    {
        return std::vector<unsigned char>(view.Bytes(), view.Bytes() + view.Size());
    }
    int End() const { return View()->Field(cData + Queue::cEndOffset); }

    deliverytest::SpecialIDScope fSpecialIDs;
    int fRegistration = 0;
    std::string fName;
};
} // namespace

TEST_F(GPPIPCMessageQueueTest, IsNamedAfterTheProcessAndTheRegistration)
{
    EXPECT_EQ(TextOf(Queue::ConvertToMemoryID(812, 1234567)), "P812MQ1234567");
    EXPECT_EQ(ErrorOf([] { Queue::ConvertToMemoryID(812, -5); }), 40162);
    EXPECT_EQ(ErrorOf([&] { Queue queue(-1, getpid(), fRegistration); }), 40165);
}

TEST_F(GPPIPCMessageQueueTest, AppendsRecordsAfterTheHeader)
{
    bool created = false;
    auto const queue = Make(&created);
    EXPECT_TRUE(created);
    EXPECT_EQ(View()->Field(cData + Queue::cVersionOffset), 1);
    EXPECT_EQ(End(), 8);
    ASSERT_TRUE(queue->TryToAddRawMessage(77, 145, BufferOf("0123456789")));
    EXPECT_EQ(End(), 38);
    auto const view = View();
    int const expected[] = {1, 22, 77, 145, 10};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(view->Field(cData + 8 + 4 * i), expected[i]) << i;
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(view->Bytes() + cData + 28), 10), "0123456789");
    ASSERT_TRUE(queue->TryToAddRawMessage(146, GBuffer()));
    EXPECT_EQ(End(), 58);
    EXPECT_EQ(view->Field(cData + 38 + 8), getpid()) << "this process is the sender";
}

TEST_F(GPPIPCMessageQueueTest, TakesNoRecordLargerThanTheRoomAfterTheHeader)
{
    struct Case
    {
        int fLength;
        bool fFits;
    };
    Case const cases[] = {{32740, true}, {32741, false}, {32748, false}, {32749, false}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fLength);
        GBuffer data;
        data.SetLength(entry.fLength);
        EXPECT_EQ(Queue::RawDataFitsEmptyQueue(data), entry.fFits);
        auto const queue = Make();
        EXPECT_EQ(queue->TryToAddRawMessage(1, data), entry.fFits);
        EXPECT_EQ(End(), entry.fFits ? 32768 : 8);
        if (entry.fFits)
        {
            EXPECT_FALSE(queue->TryToAddRawMessage(1, GBuffer())) << "a full queue took more";
        }
    }
}

TEST_F(GPPIPCMessageQueueTest, AppendsTheSameMessageOnce)
{
    auto const queue = Make();
    EXPECT_TRUE(queue->TryToAddRawMessageOnce(145, BufferOf("job")));
    EXPECT_TRUE(queue->TryToAddRawMessageOnce(9, 145, BufferOf("job")));
    EXPECT_EQ(End(), 31);
    EXPECT_TRUE(queue->TryToAddRawMessageOnce(146, BufferOf("job")));
    EXPECT_EQ(End(), 54);
    EXPECT_TRUE(queue->ContainsRawMessage(146, BufferOf("job")));
    EXPECT_FALSE(queue->ContainsRawMessage(146, BufferOf("jo")));
}

TEST_F(GPPIPCMessageQueueTest, ReadingTakesEveryRecordInOrderAndSkipsOtherVersions)
{
    auto const queue = Make();
    Messages messages;
    queue->ReadPendingMessages(messages);
    EXPECT_EQ(messages.GetCount(), 0);
    EXPECT_EQ(End(), 8);

    queue->TryToAddRawMessage(11, 145, BufferOf("first"));
    queue->TryToAddRawMessage(12, 146, BufferOf("second"));
    queue->TryToAddRawMessage(13, 147, BufferOf("third"));
    View()->SetField(cData + 8 + 25, 2); // the second record's version
    EXPECT_FALSE(queue->ContainsRawMessage(146, BufferOf("second")));
    queue->ReadPendingMessages(messages);
    ASSERT_EQ(messages.GetCount(), 2);
    EXPECT_EQ(messages[0]->GetSenderProcessID(), 11);
    EXPECT_EQ(messages[0]->GetMessageID(), 145);
    EXPECT_EQ(TextOf(messages[0]->GetData()), "first");
    EXPECT_EQ(messages[1]->GetMessageID(), 147);
    EXPECT_EQ(TextOf(messages[1]->GetData()), "third");
    EXPECT_EQ(End(), 8) << "the record of another version stayed";
}

TEST_F(GPPIPCMessageQueueTest, ARecordOfAnotherVersionIsSkippedByItsLengthHoweverShort)
{
    // (version, length): records of another writer, which need not have a sender, a message id or
    // any data; each stands before a record of this version.
    struct Case
    {
        std::int32_t fVersion;
        std::int32_t fLength;
    };
    Case const cases[] = {{2, 0}, {0, 4}, {7, 3}, {2, 11}, {-1, 12}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(testing::Message() << "version " << entry.fVersion << ", length " << entry.fLength);
        auto const queue = Make();
        int const next = 8 + 8 + entry.fLength;
        {
            auto const view = View();
            view->SetField(cData + 8, entry.fVersion);
            view->SetField(cData + 12, entry.fLength);
            view->SetField(cData + Queue::cEndOffset, next);
        }
        ASSERT_TRUE(queue->TryToAddRawMessage(31, 145, BufferOf("job")));
        EXPECT_EQ(End(), next + 23);
        EXPECT_TRUE(queue->ContainsRawMessage(145, BufferOf("job")));
        EXPECT_TRUE(queue->ContainsOwnRawMessage(31, 145, BufferOf("job")));
        EXPECT_FALSE(queue->ContainsOwnRawMessage(32, 145, BufferOf("job")));
        Messages messages;
        queue->ReadPendingMessages(messages);
        ASSERT_EQ(messages.GetCount(), 1);
        EXPECT_EQ(messages[0]->GetSenderProcessID(), 31);
        EXPECT_EQ(TextOf(messages[0]->GetData()), "job");
        EXPECT_EQ(End(), 8);
    }
}

TEST_F(GPPIPCMessageQueueTest, AppendsOncePerSenderWhenOnlyItsOwnRecordCounts)
{
    auto const queue = Make();
    ASSERT_TRUE(queue->TryToAddRawMessage(41, 145, BufferOf("job")));
    // Another sender's equal record is its own: this one's is added beside it, once.
    EXPECT_TRUE(queue->AddOwnRawMessageOnce(42, 145, BufferOf("job")));
    EXPECT_TRUE(queue->AddOwnRawMessageOnce(42, 145, BufferOf("job")));
    EXPECT_EQ(End(), 8 + 2 * 23);
    EXPECT_TRUE(queue->RemoveRawMessage(41, 145, BufferOf("job")));
    EXPECT_TRUE(queue->ContainsOwnRawMessage(42, 145, BufferOf("job")));
    EXPECT_FALSE(queue->ContainsOwnRawMessage(41, 145, BufferOf("job")));
}

TEST_F(GPPIPCMessageQueueTest, RemovesOnlyTheSendersOwnRecordAndClosesTheGap)
{
    auto const queue = Make();
    queue->TryToAddRawMessage(21, 145, BufferOf("a"));
    queue->TryToAddRawMessage(22, 145, BufferOf("a"));
    queue->TryToAddRawMessage(22, 145, BufferOf("b"));
    EXPECT_FALSE(queue->RemoveRawMessage(23, 145, BufferOf("a")));
    EXPECT_TRUE(queue->RemoveRawMessage(22, 145, BufferOf("a")));
    EXPECT_FALSE(queue->IsEmpty());
    Messages messages;
    queue->ReadPendingMessages(messages);
    ASSERT_EQ(messages.GetCount(), 2);
    EXPECT_EQ(messages[0]->GetSenderProcessID(), 21);
    EXPECT_EQ(TextOf(messages[1]->GetData()), "b");
    EXPECT_TRUE(queue->IsEmpty());
}

TEST_F(GPPIPCMessageQueueTest, DamagedOffsetsAreAClearErrorAndNoWalkRunsAway)
{
    // (field offset within the data, value, the record's version): end offsets and record lengths
    // no writer makes; a record of another version only when its length does not move forward or
    // does not fit.
    struct Case
    {
        int fOffset;
        int fValue;
        std::int32_t fVersion;
    };
    Case const cases[] = {
        {Queue::cEndOffset, -8, 1},
        {Queue::cEndOffset, 4, 1},
        {Queue::cEndOffset, 32769, 1},
        {Queue::cEndOffset, 30, 1},
        {8 + 4, -8, 1},
        {8 + 4, 0, 1},
        {8 + 4, 11, 1},
        {8 + 4, 0x7ffffff0, 1},
        {8 + 16, 3, 1},
        {8 + 16, -1, 1},
        {Queue::cEndOffset, 0x7fffffff, 1},
        {8 + 4, -8, 2},
        {8 + 4, -9, 2},
        {8 + 4, 23, 2},
        {8 + 4, 0x7ffffff0, 2},
        {Queue::cEndOffset, 11, 2},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << entry.fOffset << " = " << entry.fValue << ", version " << entry.fVersion);
        auto const queue = Make();
        ASSERT_TRUE(queue->TryToAddRawMessage(145, BufferOf("0123456789")));
        View()->SetField(cData + 8, entry.fVersion);
        View()->SetField(cData + entry.fOffset, entry.fValue);
        // One mapping for each look: two would lie at different addresses.
        std::vector<unsigned char> const before = BytesOf(*View());
        Messages messages;
        EXPECT_EQ(ErrorOf([&] { queue->ReadPendingMessages(messages); }), 40163);
        EXPECT_EQ(ErrorOf([&] { queue->ContainsRawMessage(145, BufferOf("0123456789")); }), 40163);
        EXPECT_EQ(ErrorOf([&] { queue->RemoveRawMessage(getpid(), 145, BufferOf("0123456789")); }), 40163);
        EXPECT_FALSE(queue->TryToAddRawMessageOnce(146, BufferOf("x")));
        std::vector<unsigned char> const after = BytesOf(*View());
        EXPECT_EQ(after, before) << "a damaged queue was changed";
    }
}

TEST_F(GPPIPCMessageQueueTest, AnOpenerChecksTheVersion)
{
    auto const queue = Make();
    bool created = true;
    auto const again = Make(&created);
    EXPECT_FALSE(created);
    View()->SetField(cData + Queue::cVersionOffset, 3);
    EXPECT_EQ(ErrorOf([&] { Queue opened(-1, getpid(), fRegistration); }), 40154);
}
