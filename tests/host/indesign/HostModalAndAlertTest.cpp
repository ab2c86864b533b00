// The modal-dialog state and alerts: the host counts the depth, refuses a release of a state it did
// not hand out or that was released already, and reports a state held at quit; an alert gets the
// answer queued for it, else its default button.
#include "HostTestSupport.h"

#include <algorithm>

#include "CAlert.h"
#include "IDialogUtils.h"
#include "UtilsBoss.h"

namespace
{
namespace fs = std::filesystem;
using hosttest::HostTest;

using HostModalTest = HostTest;

TEST_F(HostModalTest, CountsTheDepthOfNestedStates)
{
    InterfacePtr<IDialogUtils> dialogs(UtilsBoss::QueryUtils<IDialogUtils>());
    ASSERT_TRUE(dialogs);
    ModalDialogState* const outer = dialogs->AcquireModalDialogState();
    ModalDialogState* const inner = dialogs->AcquireModalDialogState();
    ASSERT_TRUE(outer && inner);
    EXPECT_NE(outer, inner);
    EXPECT_EQ(2, fHost->ModalDepth());
    dialogs->ReleaseModalDialogState(inner);
    dialogs->ReleaseModalDialogState(outer);
    EXPECT_EQ(0, fHost->ModalDepth());
    auto const lines = fHost->GetTranscript().Find("modal");
    ASSERT_EQ(4u, lines.size());
    std::vector<int> depths;
    for (QJsonObject const& line : lines)
        depths.push_back(line.value("depth").toInt());
    EXPECT_EQ((std::vector<int>{1, 2, 1, 0}), depths);
    dialogs.reset();
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

TEST_F(HostModalTest, RefusesAReleaseOfAStateItDidNotHandOutOrTwice)
{
    InterfacePtr<IDialogUtils> dialogs(UtilsBoss::QueryUtils<IDialogUtils>());
    ModalDialogState* const state = dialogs->AcquireModalDialogState();
    dialogs->ReleaseModalDialogState(state);
    dialogs->ReleaseModalDialogState(state);
    int foreign = 0;
    dialogs->ReleaseModalDialogState(reinterpret_cast<ModalDialogState*>(&foreign));
    dialogs->ReleaseModalDialogState(nullptr);
    dialogs.reset();
    EXPECT_EQ(0, fHost->ModalDepth());
    EXPECT_EQ(3u, fHost->Problems().size());
    EXPECT_EQ(3u, fHost->QuitChecks().size());
}

TEST_F(HostModalTest, AStateHeldAtQuitIsReported)
{
    InterfacePtr<IDialogUtils>(UtilsBoss::QueryUtils<IDialogUtils>())->AcquireModalDialogState();
    std::vector<std::string> const problems = fHost->QuitChecks();
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("depth 1"));
}

TEST_F(HostModalTest, AlertsGetTheQueuedAnswersThenTheirDefault)
{
    fHost->QueueAlertAnswer(2);
    PMString const ok("OK");
    PMString const cancel("Cancel");
    EXPECT_EQ(2, CAlert::ModalAlert(PMString("first"), ok, cancel, PMString(), 1, 2));
    EXPECT_EQ(1, CAlert::ModalAlert(PMString("second"), ok, cancel, PMString(), 1, 2));
    auto const alerts = fHost->GetTranscript().Find("alert");
    ASSERT_EQ(2u, alerts.size());
    EXPECT_EQ("first", alerts[0].value("text").toString());
    EXPECT_EQ("scenario", alerts[0].value("answeredBy").toString());
    EXPECT_EQ(QJsonArray({"OK", "Cancel", ""}), alerts[1].value("buttons").toArray());
    EXPECT_EQ("default", alerts[1].value("answeredBy").toString());
}

TEST_F(HostModalTest, ReferencesAndMemoryThePlugInKeepsAreReportedAtQuit)
{
    IDocument* const document = Open("Kept.indd", hosttest::DocumentText({"1"}));
    document->AddRef();
    UtilsBoss::QueryUtils(IDialogUtils::kDefaultIID);
    void* const kept = SDKAllocate(40);
    void* const freed = SDKAllocate(8);
    SDKFree(freed);
    EXPECT_NE(nullptr, kept);
    std::vector<std::string> const problems = fHost->QuitChecks();
    ASSERT_EQ(3u, problems.size());
    auto mentions = [&](char const* text)
    {
        return std::any_of(problems.begin(), problems.end(),
                           [&](std::string const& problem)
                           { return problem.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(mentions("document")) << "Kept.indd";
    EXPECT_TRUE(mentions("Kept.indd"));
    EXPECT_TRUE(mentions("utils"));
    EXPECT_TRUE(mentions("1 allocation(s) of 40 byte(s)"));
    document->Release();
}
} // namespace
