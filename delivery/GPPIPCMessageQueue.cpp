// Message queues in shared memory.
#include "GPPIPCMessageQueue.h"

#include <cstring>

#include "GBinaryShMemUtils.h"
#include "GException.h"
#include "GSessionInfo.h"
#include "GSharedMemoryLocker.h"
#include "GSimpleException.h"
#include "PUNIXSharedObjectSupport.h"

namespace
{
// "Unknown IPC version"
constexpr int cUnknownVersion = 40154;
// "Unknown error while reading from the shared memory": a queue whose offsets no writer makes.
constexpr int cDamaged = 40163;

using Fields = GBinaryShMemUtils;

std::int32_t FieldOf(unsigned char const* bytes, int offset)
{
    std::int32_t value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

void PutField(unsigned char* bytes, int offset, std::int32_t value)
{
    std::memcpy(bytes + offset, &value, sizeof value);
}

GBuffer NumberID(int number)
{
    return GBuffer(number);
}
} // namespace

GPPIPCMessageQueue::GPPIPCMessageQueue(int session, int processID, int registrationID)
{
    GShMemID const id = ConvertToMemoryID(processID, registrationID);
    fBlock.Reset(new Block(GetMemoryPath(session), id));
    CheckVersion();
}

GPPIPCMessageQueue::GPPIPCMessageQueue(int session, int processID, int registrationID, bool& created)
{
    GShMemID const id = ConvertToMemoryID(processID, registrationID);
    fBlock.Reset(new Block(GetMemoryPath(session), id, cQueueSize, created));
    if (!created)
    {
        CheckVersion();
        return;
    }
    GSharedMemoryLocker const lock(*fBlock);
    Fields::WriteAt(*fBlock, cEndOffset, cRecordsOffset);
    // Last: an opener takes a version of 0 for a header still being written.
    Fields::WriteAt(*fBlock, cVersionOffset, cVersion);
}

GPPIPCMessageQueue::~GPPIPCMessageQueue() = default;

void GPPIPCMessageQueue::CheckVersion()
{
    if (Fields::ReadMadeVersion(*fBlock, cVersionOffset) != cVersion)
    {
        fBlock.Reset();
        throw GSimpleException(cUnknownVersion);
    }
}

void GPPIPCMessageQueue::PurgeOfGoneReceiver(int processID, int registrationID)
{
    try
    {
        Block::PurgeIfGone(ConvertToMemoryID(processID, registrationID));
    }
    catch (GException const&)
    {
        // An id that cannot name a queue (a negative number) names nothing to purge.
    }
}

GShMemID GPPIPCMessageQueue::ConvertToMemoryID(int processID, int registrationID)
{
    return GShMemID::GetSpecialID(GShMemID::cSpecialP) + GShMemID(NumberID(processID)) +
           GShMemID::GetSpecialID(GShMemID::cSpecialMQ) + GShMemID(NumberID(registrationID));
}

GBuffer GPPIPCMessageQueue::GetMemoryPath(int session)
{
    return GSessionInfo::GetInstance()->GetSessionPrefix(session);
}

bool GPPIPCMessageQueue::RawDataFitsEmptyQueue(GBuffer const& data)
{
    return data.GetLength() <= cQueueSize - cRecordsOffset - cRecordHeaderSize;
}

void GPPIPCMessageQueue::Snapshot(GBuffer& bytes)
{
    GSharedMemoryLocker const lock(*fBlock);
    std::int32_t const end = Fields::ReadAt(*fBlock, cEndOffset);
    if (end < cRecordsOffset || end > cQueueSize || end > fBlock->GetLength())
        throw GSimpleException(cDamaged);
    fBlock->SetPosition(0);
    if (fBlock->Read(bytes, end) != end)
        throw GSimpleException(cDamaged);
}

void GPPIPCMessageQueue::Walk(GBuffer const& bytes, std::function<bool(Record const&)> const& visit)
{
    unsigned char const* base = bytes.GetPtr();
    int const end = bytes.GetLength();
    for (int offset = cRecordsOffset; offset < end;)
    {
        // Every length comes from another process: a record must move the walk forward and end
        // within the queue's end, so that the walk always stops.
        if (end - offset < cRecordLengthEnd)
            throw GSimpleException(cDamaged);
        Record record;
        record.fOffset = offset;
        record.fVersion = FieldOf(base, offset);
        std::int32_t const length = FieldOf(base, offset + 4);
        if (length <= -cRecordLengthEnd || length > end - offset - cRecordLengthEnd)
            throw GSimpleException(cDamaged);
        record.fSize = length + cRecordLengthEnd;
        record.fSender = 0;
        record.fMessageID = 0;
        record.fData = nullptr;
        record.fDataLength = 0;
        // A record of another version is skipped by its length, whatever it holds: a writer of
        // another version may lay out the rest as it likes.
        if (record.fVersion == cRecordVersion)
        {
            if (length < cMinRecordLength)
                throw GSimpleException(cDamaged);
            record.fSender = FieldOf(base, offset + 8);
            record.fMessageID = FieldOf(base, offset + 12);
            record.fDataLength = FieldOf(base, offset + 16);
            record.fData = base + offset + cRecordHeaderSize;
            if (record.fDataLength != length - cMinRecordLength)
                throw GSimpleException(cDamaged);
        }
        if (!visit(record))
            return;
        offset += record.fSize;
    }
}

bool GPPIPCMessageQueue::Matches(Record const& record, int messageID, GBuffer const& data)
{
    return record.fVersion == cRecordVersion && record.fMessageID == messageID &&
           record.fDataLength == data.GetLength() &&
           (data.GetLength() == 0 || std::memcmp(record.fData, data.GetPtr(), data.GetLength()) == 0);
}

bool GPPIPCMessageQueue::Append(int sender, int messageID, GBuffer const& data)
{
    GSharedMemoryLocker const lock(*fBlock);
    std::int32_t const end = Fields::ReadAt(*fBlock, cEndOffset);
    if (end < cRecordsOffset || end > cQueueSize)
        throw GSimpleException(cDamaged);
    int const n = data.GetLength();
    if (cQueueSize - end < static_cast<long long>(n) + cRecordHeaderSize)
        return false;
    // The whole record in one write: the receiver never sees part of it, as it reads under the lock.
    GBuffer record;
    record.SetLength(cRecordHeaderSize + n);
    unsigned char* bytes = record.GetWritePtr();
    PutField(bytes, 0, cRecordVersion);
    PutField(bytes, 4, cMinRecordLength + n);
    PutField(bytes, 8, sender);
    PutField(bytes, 12, messageID);
    PutField(bytes, 16, n);
    if (n > 0)
        std::memcpy(bytes + cRecordHeaderSize, data.GetPtr(), n);
    fBlock->SetPosition(end);
    if (fBlock->Write(record.GetPtr(), record.GetLength()) != record.GetLength())
        throw GSimpleException(Fields::cCannotWrite);
    Fields::WriteAt(*fBlock, cEndOffset, end + record.GetLength());
    return true;
}

bool GPPIPCMessageQueue::TryToAddRawMessage(int sender, int messageID, GBuffer const& data)
{
    try
    {
        return Append(sender, messageID, data);
    }
    catch (GException const&)
    {
        return false;
    }
}

bool GPPIPCMessageQueue::TryToAddRawMessage(int messageID, GBuffer const& data)
{
    return TryToAddRawMessage(PUNIXSharedObjectSupport::GetCurrentProcessID(), messageID, data);
}

bool GPPIPCMessageQueue::AddRawMessageOnce(int sender, int messageID, GBuffer const& data)
{
    // One hold of the lock, so that no other process adds the same message in between.
    GSharedMemoryLocker const lock(*fBlock);
    if (ContainsRawMessage(messageID, data))
        return true;
    return Append(sender, messageID, data);
}

bool GPPIPCMessageQueue::AddOwnRawMessageOnce(int sender, int messageID, GBuffer const& data)
{
    GSharedMemoryLocker const lock(*fBlock);
    if (ContainsOwnRawMessage(sender, messageID, data))
        return true;
    return Append(sender, messageID, data);
}

bool GPPIPCMessageQueue::TryToAddRawMessageOnce(int sender, int messageID, GBuffer const& data)
{
    try
    {
        return AddRawMessageOnce(sender, messageID, data);
    }
    catch (GException const&)
    {
        return false;
    }
}

bool GPPIPCMessageQueue::TryToAddRawMessageOnce(int messageID, GBuffer const& data)
{
    return TryToAddRawMessageOnce(PUNIXSharedObjectSupport::GetCurrentProcessID(), messageID, data);
}

bool GPPIPCMessageQueue::ContainsRawMessage(int messageID, GBuffer const& data)
{
    return Contains(cAnySender, messageID, data);
}

bool GPPIPCMessageQueue::ContainsOwnRawMessage(int sender, int messageID, GBuffer const& data)
{
    return Contains(sender, messageID, data);
}

bool GPPIPCMessageQueue::Contains(int sender, int messageID, GBuffer const& data)
{
    GBuffer bytes;
    Snapshot(bytes);
    bool found = false;
    Walk(bytes,
         [&](Record const& record)
         {
             found = (sender == cAnySender || record.fSender == sender) && Matches(record, messageID, data);
             return !found;
         });
    return found;
}

bool GPPIPCMessageQueue::RemoveRawMessage(int sender, int messageID, GBuffer const& data)
{
    GSharedMemoryLocker const lock(*fBlock);
    GBuffer bytes;
    Snapshot(bytes);
    int offset = -1;
    int size = 0;
    Walk(bytes,
         [&](Record const& record)
         {
             if (record.fSender != sender || !Matches(record, messageID, data))
                 return true;
             offset = record.fOffset;
             size = record.fSize;
             return false;
         });
    if (offset < 0)
        return false;
    int const end = bytes.GetLength();
    int const rest = end - offset - size;
    fBlock->SetPosition(offset);
    if (rest > 0 && fBlock->Write(bytes.GetPtr() + offset + size, rest) != rest)
        throw GSimpleException(Fields::cCannotWrite);
    Fields::WriteAt(*fBlock, cEndOffset, end - size);
    return true;
}

bool GPPIPCMessageQueue::IsEmpty()
{
    GSharedMemoryLocker const lock(*fBlock);
    return Fields::ReadAt(*fBlock, cEndOffset) == cRecordsOffset;
}

void GPPIPCMessageQueue::ReadPendingMessages(GTable<GSmartPtr<GPPIPCMessage>>& messages)
{
    messages.Resize(0);
    GSharedMemoryLocker const lock(*fBlock);
    GBuffer bytes;
    Snapshot(bytes);
    Walk(bytes,
         [&](Record const& record)
         {
             if (record.fVersion == cRecordVersion)
                 messages.AddItem(GSmartPtr<GPPIPCMessage>(new GPPIPCMessage(
                     record.fSender, record.fMessageID, GBuffer(record.fData, record.fDataLength))));
             return true;
         });
    Fields::WriteAt(*fBlock, cEndOffset, cRecordsOffset);
}
