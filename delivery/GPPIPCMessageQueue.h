// GPPIPCMessageQueue: the queue of one registration of a receiving process, a shared-memory block
// into which any process appends records and from which the receiver takes them all at once.
#pragma once

#include <cstdint>
#include <functional>

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GPPIPCMessage.h"
#include "GShMemID.h"
#include "GSharedMemoryBase.h"
#include "GSmartPtr.h"
#include "GTable.h"
#include "PUNIXSharedMemory.h"

class GPPIPCMessageQueue
{
public:
    using Block = GSharedMemoryBase<PUNIXSharedMemory>;

    // The block as every sender and the receiver read it: 32-bit fields in the machine's byte order.
    static constexpr int cQueueSize = 32768;
    static constexpr int cVersionOffset = 0;
    // Just past the last record; cRecordsOffset when the queue is empty.
    static constexpr int cEndOffset = 4;
    static constexpr int cRecordsOffset = 8;
    static constexpr std::int32_t cVersion = 1;
    // A record: version, length (the bytes after the length field: 12 + n), sender, message id, n,
    // then the n data bytes.
    static constexpr int cRecordHeaderSize = 20;
    static constexpr int cMinRecordLength = 12;
    // The version and length fields, all that a record of another version is sure to have; its
    // length counts the bytes after them.
    static constexpr int cRecordLengthEnd = 8;
    static constexpr std::int32_t cRecordVersion = 1;

    // Opens the existing queue; 40165 when there is none, 40154 for another version, 40162 for a
    // negative id.
    GPPIPCMessageQueue(int session, int processID, int registrationID);
    // Opens the queue or creates it empty; created tells which.
    GPPIPCMessageQueue(int session, int processID, int registrationID, bool& created);
    // The last process out removes the queue with its records.
    ~GPPIPCMessageQueue();
    GPPIPCMessageQueue(GPPIPCMessageQueue const&) = delete;
    GPPIPCMessageQueue& operator=(GPPIPCMessageQueue const&) = delete;

    // Appends a record; false when it does not fit the free room, or on any error.
    bool TryToAddRawMessage(int sender, int messageID, GBuffer const& data);
    bool TryToAddRawMessage(int messageID, GBuffer const& data);
    // True without appending when a record of the message id and data is already queued.
    bool TryToAddRawMessageOnce(int sender, int messageID, GBuffer const& data);
    bool TryToAddRawMessageOnce(int messageID, GBuffer const& data);
    // The same, throwing what goes wrong (40163 for a damaged queue); false only when the record
    // does not fit the free room.
    bool AddRawMessageOnce(int sender, int messageID, GBuffer const& data);
    // The same, but only a record of this sender counts as the message already queued: what two
    // senders send is each one's own record, taken or taken back on its own.
    bool AddOwnRawMessageOnce(int sender, int messageID, GBuffer const& data);
    // Whether a version-1 record has the message id and the data; the sender is not compared.
    // A damaged queue throws 40163: one whose records do not each move forward within its end.
    // Records of another version are skipped by their length.
    bool ContainsRawMessage(int messageID, GBuffer const& data);
    // The same for the records of the sender only.
    bool ContainsOwnRawMessage(int sender, int messageID, GBuffer const& data);
    // Takes out the first version-1 record of the sender with the message id and data; whether one
    // was there. A damaged queue throws 40163.
    bool RemoveRawMessage(int sender, int messageID, GBuffer const& data);
    // Whether no record is queued.
    bool IsEmpty();
    // Empties messages, then takes every version-1 record out of the queue, which is then empty. A
    // failure (40163 for a damaged queue) throws, leaving the queue as it was and messages with what
    // was read.
    void ReadPendingMessages(GTable<GSmartPtr<GPPIPCMessage>>& messages);

    // For a receiving process that is gone: removes its queue of the registration when no process
    // in the queue's list runs any more, and the queue's lock with it, so that neither stays in
    // shared memory until the machine restarts.
    static void PurgeOfGoneReceiver(int processID, int registrationID);
    // Whether a record of the data fits an empty queue.
    static bool RawDataFitsEmptyQueue(GBuffer const& data);
    static GShMemID ConvertToMemoryID(int processID, int registrationID);
    static GBuffer GetMemoryPath(int session);

    Block& GetBlock() { return *fBlock; }

private:
    struct Record
    {
        int fOffset;
        // Bytes of the whole record, header included.
        int fSize;
        std::int32_t fVersion;
        std::int32_t fSender;
        std::int32_t fMessageID;
        unsigned char const* fData;
        int fDataLength;
    };

    // Stands for any sender in Contains.
    static constexpr int cAnySender = 0;

    void CheckVersion();
    bool Contains(int sender, int messageID, GBuffer const& data);
    // Under the lock: the queue's bytes from offset 0 to its end offset, checked to be one a queue
    // can have (40163 otherwise).
    void Snapshot(GBuffer& bytes);
    // Each record of a snapshot in order, its lengths checked (40163 for one that does not move
    // forward within the end, or a version-1 record whose lengths disagree); the visitor returns
    // false to stop. Only the offset, size and version of a record of another version are set.
    static void Walk(GBuffer const& bytes, std::function<bool(Record const&)> const& visit);
    static bool Matches(Record const& record, int messageID, GBuffer const& data);
    bool Append(int sender, int messageID, GBuffer const& data);

    GAutoPtr<Block> fBlock;
};
