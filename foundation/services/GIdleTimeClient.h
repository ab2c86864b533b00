// Work that wants a share of the repeater time: the idle-time manager gives each registered client
// a turn in round-robin order.
#pragma once

class GIdleTimeClient
{
public:
    virtual ~GIdleTimeClient() = default;

    // One turn. True keeps the client registered; false asks the manager to drop it.
    virtual bool DoIdleTime() = 0;
};
