// The scenario file: the steps it reads, what it refuses, and what it writes reading back.
#include "InstallerScenario.h"

#include <gtest/gtest.h>

namespace
{
typedef InstallerScenarioStep Step;

TEST(InstallerScenarioTest, ReadsOneStepALineWhateverTheLineEnds)
{
    std::vector<Step> steps;
    std::string error;
    ASSERT_TRUE(InstallerScenarioRead("# a comment\r\nwait-search\rchoose 12\n\n  browse /a b/c.app \n"
                                      "browse-cancel\r\ncontinue\nback\nvolume /Volumes/Other\nshow\n"
                                      "snapshot /tmp/x.png",
                                      steps, &error))
        << error;
    std::vector<Step> const expected = {
        {Step::cWaitSearch, "", 0},           {Step::cChoose, "", 12},  {Step::cBrowse, "/a b/c.app ", 0},
        {Step::cBrowseCancel, "", 0},         {Step::cContinue, "", 0}, {Step::cBack, "", 0},
        {Step::cVolume, "/Volumes/Other", 0}, {Step::cShow, "", 0},     {Step::cSnapshot, "/tmp/x.png", 0},
    };
    EXPECT_EQ(steps, expected);
}

TEST(InstallerScenarioTest, RefusesWhatIsNoStepAndKeepsTheStepsItHad)
{
    struct Case
    {
        char const* fText;
        char const* fError;
    };
    Case const cases[] = {
        {"jump", "line 1: unknown command \"jump\""},
        {"show\nchoose", "line 2: choose needs an item number from 0 to 9999"},
        {"choose -1", "line 1: choose needs an item number from 0 to 9999"},
        {"choose 10000", "line 1: choose needs an item number from 0 to 9999"},
        {"choose 1x", "line 1: choose needs an item number from 0 to 9999"},
        {"browse", "line 1: browse needs a path"},
        {"continue now", "line 1: continue takes no argument"},
        {"Continue", "line 1: unknown command \"Continue\""},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fText);
        std::vector<Step> steps = {{Step::cShow, "", 0}};
        std::string error;
        EXPECT_FALSE(InstallerScenarioRead(test.fText, steps, &error));
        EXPECT_EQ(error, test.fError);
        EXPECT_EQ(steps.size(), 1u);
    }
}

TEST(InstallerScenarioTest, WritesWhatReadsBackAsTheSameSteps)
{
    std::vector<Step> const steps = {{Step::cChoose, "", 7},
                                     {Step::cBrowse, "\t/lead and trail ", 0},
                                     {Step::cVolume, "#not a comment", 0},
                                     {Step::cContinue, "", 0}};
    std::vector<Step> read;
    ASSERT_TRUE(InstallerScenarioRead(InstallerScenarioWrite(steps), read, nullptr));
    EXPECT_EQ(read, steps);
}
} // namespace
