// GPPIPCReceiver: what the IPC manager hands the messages of this process's queue to.
#pragma once

class GPPIPCMessage;

class GPPIPCReceiver
{
public:
    virtual ~GPPIPCReceiver() = default;
    virtual void ReceiveMessage(GPPIPCMessage const& message) = 0;
};
