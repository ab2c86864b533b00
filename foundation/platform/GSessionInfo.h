// The login session the process runs in, and the prefix that names of per-session shared
// objects begin with.
#pragma once

#include "GBuffer.h"
#include "GTable.h"

class GSessionInfo
{
public:
    GSessionInfo() = default;
    virtual ~GSessionInfo();
    GSessionInfo(GSessionInfo const&) = delete;
    GSessionInfo& operator=(GSessionInfo const&) = delete;

    virtual int GetCurrentSession() = 0;
    // Empties the table, then lists every active session.
    virtual void GetAllActiveSessions(GTable<int>& sessions) = 0;
    virtual GBuffer GetSessionPrefix(int session) = 0;

    // The platform's implementation, made on the first call and kept until process exit. The
    // first call is not locked: it is expected before other threads use the service.
    static GSessionInfo* GetInstance();
};
