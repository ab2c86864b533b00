// The user-message service: the silent default's answers, and installing, replacing and removing a
// service of one's own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "GFileType.h"
#include "GPathName.h"
#include "GUserMessage.h"
#include "StringText.h"

using testsupport::Utf8Of;

namespace
{
// A service that notes what it was asked and whether it still exists.
class NotingService : public GUserMessage
{
public:
    explicit NotingService(bool& alive) : fAlive(alive) { fAlive = true; }
    ~NotingService() override { fAlive = false; }

    bool ShowYesNoMessage(GString const& title, GString const&) override
    {
        fAsked.push_back(Utf8Of(title));
        return false;
    }

    std::vector<std::string> fAsked;

private:
    bool& fAlive;
};

// Every test starts and ends with the default service.
class GUserMessageTest : public ::testing::Test
{
protected:
    void SetUp() override { GUserMessage::SetInstance(nullptr); }
    void TearDown() override { GUserMessage::SetInstance(nullptr); }

    GString const fTitle{"Export"};
    GString const fText{"Replace the file?"};
};
} // namespace

TEST_F(GUserMessageTest, DefaultAnswersEveryQuestionWithoutAskingAnyone)
{
    GUserMessage* const service = GUserMessage::GetInstance();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(GUserMessage::GetInstance(), service) << "the made default is kept";
    EXPECT_TRUE(GUserMessage::HasDefaultInstance());

    GFileType const pdf(GString("PDF document"), GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 7);
    GTable<GFileType const*> types;
    types.AddItem(&pdf);
    types.AddItem(nullptr);
    GPathName chosen("/Users/anna/Brochure.indd");
    bool doNotShowAgain = true;

    struct Case
    {
        char const* fLabel;
        std::function<bool()> fAsk;
        bool fAnswer;
    };
    std::vector<Case> const cases = {
        {"message", [&] { return service->ShowMessage(fTitle, fText); }, true},
        {"warning", [&] { return service->ShowWarningMessage(fTitle, fText); }, true},
        {"yes or no", [&] { return service->ShowYesNoMessage(fTitle, fText); }, true},
        {"one file of one kind", [&] { return service->ShowFileChooserDialog(fTitle, &pdf, chosen); }, true},
        {"one file of any kind", [&] { return service->ShowFileChooserDialog(fTitle, nullptr, chosen); },
         true},
        {"one file of several kinds", [&] { return service->ShowFileChooserDialog(fTitle, types, chosen); },
         true},
        {"a folder", [&] { return service->ShowOpenFolder(fTitle, chosen); }, false},
        {"where to save", [&] { return service->ChooseSave(fTitle, fText, &pdf, chosen); }, false},
        {"preference", [&] { return service->ShowPreferenceMessage(fTitle, fText, doNotShowAgain, true); },
         false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(c.fAsk(), c.fAnswer);
        EXPECT_EQ(Utf8Of(chosen.GetPortablePath()), "/Users/anna/Brochure.indd") << "the path is left alone";
    }
    EXPECT_TRUE(doNotShowAgain);

    // Showing only: nothing to answer, nothing to fail.
    service->ShowInfoMessage(fTitle, fText);
    service->ShowErrorMessage(fTitle, fText);
}

TEST_F(GUserMessageTest, DefaultChoosesNoFilesAndGivesNoPassword)
{
    GUserMessage* const service = GUserMessage::GetInstance();
    GFileType const pdf(GString("PDF document"), GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 7);
    GTable<GFileType const*> types;
    types.AddItem(&pdf);

    struct Case
    {
        char const* fLabel;
        std::function<bool(GTable<GPathName>&)> fChoose;
    };
    std::vector<Case> const cases = {
        {"files of one kind",
         [&](GTable<GPathName>& chosen) { return service->ShowFileChooserDialog(fTitle, &pdf, chosen); }},
        {"files of several kinds",
         [&](GTable<GPathName>& chosen) { return service->ShowFileChooserDialog(fTitle, types, chosen); }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GTable<GPathName> chosen;
        chosen.AddItem(GPathName("/Users/anna/a.pdf"));
        chosen.AddItem(GPathName("/Users/anna/b.pdf"));
        EXPECT_TRUE(c.fChoose(chosen));
        EXPECT_EQ(chosen.GetCount(), 0);
    }

    GBuffer password("secret");
    EXPECT_FALSE(service->ShowPasswordDialog(fTitle, fText, password));
    EXPECT_EQ(password.GetLength(), 0);

    GString text("secret");
    EXPECT_FALSE(service->CreatePasswordDialog(fTitle, fText, text));
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(GUserMessageTest, InstalledServiceAnswersUntilTheDefaultIsRestored)
{
    bool alive = false;
    auto* const own = new NotingService(alive);
    GUserMessage::SetInstance(own);
    EXPECT_FALSE(GUserMessage::HasDefaultInstance());
    EXPECT_EQ(GUserMessage::GetInstance(), own);
    EXPECT_FALSE(GUserMessage::GetInstance()->ShowYesNoMessage(fTitle, fText));
    EXPECT_EQ(own->fAsked, (std::vector<std::string>{"Export"}));

    GUserMessage::SetInstance(nullptr);
    EXPECT_FALSE(alive) << "the service held is deleted";
    EXPECT_TRUE(GUserMessage::HasDefaultInstance());
    GUserMessage* const fresh = GUserMessage::GetInstance();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->ShowYesNoMessage(fTitle, fText)) << "a plain service answers again";
    EXPECT_TRUE(GUserMessage::HasDefaultInstance()) << "making the default does not count as installing";
}

TEST_F(GUserMessageTest, ReplacingAServiceDeletesTheOneBefore)
{
    bool firstAlive = false;
    bool secondAlive = false;
    GUserMessage::SetInstance(new NotingService(firstAlive));
    GUserMessage::SetInstance(new NotingService(secondAlive));
    EXPECT_FALSE(firstAlive);
    EXPECT_TRUE(secondAlive);
    EXPECT_FALSE(GUserMessage::HasDefaultInstance());

    // The plain default, made on demand, goes the same way when a service replaces it.
    GUserMessage::SetInstance(nullptr);
    GUserMessage::GetInstance();
    bool thirdAlive = false;
    GUserMessage::SetInstance(new NotingService(thirdAlive));
    EXPECT_FALSE(secondAlive);
    EXPECT_TRUE(thirdAlive);
}

TEST_F(GUserMessageTest, InstallingTheServiceHeldAgainKeepsIt)
{
    bool alive = false;
    auto* const own = new NotingService(alive);
    GUserMessage::SetInstance(own);
    GUserMessage::SetInstance(GUserMessage::GetInstance());
    EXPECT_TRUE(alive);
    EXPECT_EQ(GUserMessage::GetInstance(), own);
    EXPECT_FALSE(GUserMessage::GetInstance()->ShowYesNoMessage(fTitle, fText));
    EXPECT_FALSE(GUserMessage::HasDefaultInstance());
}
