#include "support/Linescope.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeProcessLauncher.h"
#include "fakes/FakeWindowSystem.h"
#include "targets/TextString.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Action = FakeWindowSystem::Action;
using Call = FakeWindowSystem::Call;
using Args = std::vector<std::string>;

class LinescopeTest : public ::testing::Test {
protected:
    LinescopeTest() {
        linescope.AppFolder = "/opt/tapline/bin/";
        linescope.Sleep = [this](int ms) { sleeps.push_back(ms); };
    }

    FakeWindowSystem windows;
    FakeProcessLauncher launcher;
    FakeMessageBox messages;
    CLinescope linescope{windows, launcher, messages};
    std::vector<int> sleeps;
};

// --- Start ---------------------------------------------------------------------------------------

TEST_F(LinescopeTest, StartsLinescopeFromTheProgramFolderWithThePortSwitches) {
    linescope.LaunchTestProgram(3, 9600, 'N', 8, 1);
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program,
              std::string("/opt/tapline/bin/") + CLinescope::ProgramFile);
    EXPECT_EQ(launcher.starts[0].arguments,
              (Args{"-H", "-ASKWIRELESS", "-C3", "-B9600", "-PN", "-D8", "-S1"}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(windows.calls.empty());
}

TEST_F(LinescopeTest, SwitchesCarryEveryValue) {
    EXPECT_EQ(CLinescope::Arguments(1, 9600, 'N', 8, 1),
              (Args{"-H", "-ASKWIRELESS", "-C1", "-B9600", "-PN", "-D8", "-S1"}));
    EXPECT_EQ(CLinescope::Arguments(200, 115200, 'E', 7, 2),
              (Args{"-H", "-ASKWIRELESS", "-C200", "-B115200", "-PE", "-D7", "-S2"}));
}

TEST_F(LinescopeTest, FolderWithBlanksAndQuotesIsPassedAsOneProgramPath) {
    linescope.AppFolder = "/home/a b/it's \"here\"/";
    linescope.LaunchTestProgram(3, 9600, 'N', 8, 1);
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program,
              std::string("/home/a b/it's \"here\"/") + CLinescope::ProgramFile);
}

TEST_F(LinescopeTest, ProgramThatCannotStartGivesTheMessage) {
    launcher.succeed = false;
    linescope.LaunchTestProgram(3, 9600, 'N', 8, 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Narrow8(messages.shown[0].text),
              "Unable to load the communications test program Linescope.  \n\n"
              "A copy of Linescope must be located in the same folder as Tapline.     ");
    EXPECT_EQ(messages.shown[0].style.buttons, MsgButtons::Ok);
    EXPECT_EQ(messages.shown[0].style.icon, MsgIcon::Exclamation);
}

TEST_F(LinescopeTest, RunningMinimisedCopyIsRestoredAndBroughtToFrontInsteadOfASecondStart) {
    windows.Add(3, u"Editor");
    windows.Add(9, u"Orvane Serial Test Program - COM3").minimised = true;
    linescope.LaunchTestProgram(3, 9600, 'N', 8, 1);
    EXPECT_TRUE(launcher.starts.empty());
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Restore, 9}, {Action::Activate, 9}}));
    EXPECT_EQ(windows.foreground, 9u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(LinescopeTest, RunningCopyInViewIsOnlyBroughtToFront) {
    windows.Add(9, u"ORVANE SERIAL TEST PROGRAM");
    linescope.LaunchTestProgram(3, 9600, 'N', 8, 1);
    EXPECT_TRUE(launcher.starts.empty());
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Activate, 9}}));
}

TEST_F(LinescopeTest, StartLooksOnlyForTheSerialTestProgramTitle) {
    windows.Add(9, u"Orvane Linescope - COM3");
    windows.Add(10, u"My Orvane Serial Test Program notes"); // not at the start
    windows.Add(11, u"Orvane Serial Test Program").visible = false;
    linescope.LaunchTestProgram(3, 9600, 'N', 8, 1);
    EXPECT_EQ(launcher.starts.size(), 1u);
    EXPECT_TRUE(windows.calls.empty());
}

// --- Port release and free ---------------------------------------------------------------------

TEST_F(LinescopeTest, ReleaseWithoutTestProgramDoesNotWait) {
    windows.Add(3, u"Editor");
    windows.Add(4, u"Linescope Orvane"); // words in another order
    linescope.RequestPortRelease();
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(LinescopeTest, ReleaseReachesEveryTestProgramWindowThenWaits) {
    windows.Add(3, u"Orvane Linescope - COM3");
    windows.Add(4, u"Editor");
    windows.Add(5, u"orvane serial test program, second copy");
    linescope.RequestPortRelease();
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Post, 3, 1003}, {Action::Post, 5, 1003}}));
    EXPECT_EQ(sleeps, (std::vector<int>{500}));
}

TEST_F(LinescopeTest, LowerCaseTitleWithMoreTextCounts) {
    windows.Add(6, u"orvane linescope v2.1 (COM4)");
    linescope.RequestPortRelease();
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Post, 6, 1003}}));
    EXPECT_EQ(sleeps.size(), 1u);
}

TEST_F(LinescopeTest, MinimisedTestProgramStillHearsTheMessage) {
    windows.Add(6, u"Orvane Linescope").minimised = true;
    windows.Add(7, u"Orvane Linescope hidden").visible = false;
    windows.Add(8, u"Orvane Linescope closed").exists = false;
    linescope.AnnouncePortFree();
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Post, 6, 1004}}));
}

TEST_F(LinescopeTest, PortFreeReachesEveryTestProgramWindowWithoutWaiting) {
    windows.Add(3, u"Orvane Linescope - COM3");
    windows.Add(5, u"Orvane Serial Test Program");
    linescope.AnnouncePortFree();
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Post, 3, 1004}, {Action::Post, 5, 1004}}));
    EXPECT_TRUE(sleeps.empty());
}

} // namespace
