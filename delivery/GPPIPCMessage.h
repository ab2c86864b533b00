// GPPIPCMessage: one message as its receiver takes it out of its queue: who sent it, what it is, and
// its bytes.
#pragma once

#include <cstdint>

#include "GBuffer.h"

class GPPIPCMessage
{
public:
    GPPIPCMessage() : fSenderProcessID(0), fMessageID(0) {}
    GPPIPCMessage(std::int32_t sender, std::int32_t messageID, GBuffer const& data)
        : fSenderProcessID(sender), fMessageID(messageID), fData(data)
    {
    }

    std::int32_t GetSenderProcessID() const { return fSenderProcessID; }
    std::int32_t GetMessageID() const { return fMessageID; }
    GBuffer const& GetData() const { return fData; }

private:
    std::int32_t fSenderProcessID;
    std::int32_t fMessageID;
    GBuffer fData;
};
