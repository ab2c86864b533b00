// Session information on a system where the process sees one session only: its number is -1 and
// shared objects need no per-session prefix.
#pragma once

#include "GSessionInfo.h"

class PUNIXSessionInfo : public GSessionInfo
{
public:
    PUNIXSessionInfo();

    int GetCurrentSession() override;
    void GetAllActiveSessions(GTable<int>& sessions) override;
    GBuffer GetSessionPrefix(int session) override;

private:
    int fCurrentSession;
};
