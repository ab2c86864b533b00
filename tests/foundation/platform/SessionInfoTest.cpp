// The single-session answers of the session service: session -1 and no name prefix.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "GSessionInfo.h"

TEST(SessionInfoTest, InstanceIsMadeOnceAndKept)
{
    GSessionInfo* first = GSessionInfo::GetInstance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GSessionInfo::GetInstance(), first);
}

TEST(SessionInfoTest, CurrentSessionIsMinusOne)
{
    EXPECT_EQ(GSessionInfo::GetInstance()->GetCurrentSession(), -1);
}

TEST(SessionInfoTest, ActiveSessionsReplaceWhatTheTableHeld)
{
    struct Case
    {
        char const* fName;
        std::vector<int> fBefore;
    };
    Case const cases[] = {{"empty", {}}, {"one other", {4}}, {"several, -1 among them", {3, -1, 7, 9, -1}}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GTable<int> sessions;
        for (int session : c.fBefore)
            sessions.AddItem(session);
        GSessionInfo::GetInstance()->GetAllActiveSessions(sessions);
        ASSERT_EQ(sessions.GetCount(), 1);
        EXPECT_EQ(sessions[0], -1);
    }
}

TEST(SessionInfoTest, SessionPrefixIsEmptyForEverySession)
{
    for (int session : {-1, 0, 1, 42, INT_MIN, INT_MAX})
    {
        SCOPED_TRACE(session);
        GBuffer const prefix = GSessionInfo::GetInstance()->GetSessionPrefix(session);
        EXPECT_TRUE(prefix.IsEmpty());
        EXPECT_EQ(prefix.GetLength(), 0);
    }
}
