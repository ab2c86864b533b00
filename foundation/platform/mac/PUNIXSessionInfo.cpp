// Session information on a system where the process sees one session only: its number is -1 and
// shared objects need no per-session prefix.
#include "PUNIXSessionInfo.h"

PUNIXSessionInfo::PUNIXSessionInfo() : fCurrentSession(-1) {}

int PUNIXSessionInfo::GetCurrentSession()
{
    return fCurrentSession;
}

void PUNIXSessionInfo::GetAllActiveSessions(GTable<int>& sessions)
{
    sessions.Resize(0);
    sessions.AddItem(fCurrentSession);
}

GBuffer PUNIXSessionInfo::GetSessionPrefix(int)
{
    return GBuffer::cEmptyBuffer;
}
