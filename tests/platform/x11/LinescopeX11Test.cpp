// Everything else comes before Xlib, whose macros (None, Bool, Status) clash with gtest and
// with our own names.
#include <gtest/gtest.h>

#include "fakes/FakeMessageBox.h"
#include "platform/qt/QtProcessLauncher.h"
#include "platform/x11/X11WindowSystem.h"
#include "support/Linescope.h"
#include "targets/TextString.h"

#include "XTestClients.h"

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// The launcher against the stand-in test program, a real X client that writes down the port
// messages it receives and the switches it was started with.
class LinescopeX11Test : public ::testing::Test {
protected:
    // Counts the starts and passes them on.
    struct CountingLauncher : ProcessLauncher {
        QtProcessLauncher real;
        int starts = 0;
        bool StartDetached(const std::string& program,
                           const std::vector<std::string>& arguments) override {
            ++starts;
            return real.StartDetached(program, arguments);
        }
    };

    static void SetUpTestSuite() {
        server = std::make_unique<XServer>(true);
        ASSERT_TRUE(server->Ok()) << "Xvfb did not start";
        ASSERT_TRUE(server->WindowManagerRunning()) << "openbox did not start";
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server && server->Ok());
        dir = fs::temp_directory_path() / "linescope";
        fs::create_directories(dir);
        program.reset(XOpenDisplay(server->Name().c_str()));
        ASSERT_NE(program, nullptr);
        windows = std::make_unique<X11WindowSystem>(program.get(), [](WindowId) { return false; });
        linescope = std::make_unique<CLinescope>(*windows, launcher, messages);
        linescope->Sleep = [this](int ms) { sleeps.push_back(ms); };
    }
    void TearDown() override {
        linescope.reset();
        windows.reset();
        program.reset();
        fs::remove_all(dir);
    }

    Display* Test() { return server->Connection(); }

    ChildProcess StartStandIn(const std::string& title, const fs::path& log) {
        return ChildProcess({LINESCOPE_STANDIN, "--title", title, "--log", log.string()});
    }

    WindowId WaitForWindow(const std::u16string& title) {
        WindowId found = 0;
        WaitFor([&] {
            for (const WindowId id : windows->TopLevelWindows()) {
                if (windows->Title(id) == title && windows->IsVisible(id)) {
                    found = id;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    static std::unique_ptr<XServer> server;
    fs::path dir;
    XDisplayConnection program;
    std::unique_ptr<X11WindowSystem> windows;
    CountingLauncher launcher;
    FakeMessageBox messages;
    std::unique_ptr<CLinescope> linescope;
    std::vector<int> sleeps;
};
std::unique_ptr<XServer> LinescopeX11Test::server;

TEST_F(LinescopeX11Test, EveryRunningTestProgramHearsReleaseAndFree) {
    const fs::path log1 = dir / "one.log", log2 = dir / "two.log";
    ChildProcess one = StartStandIn("Orvane Linescope - COM3", log1);
    ChildProcess two = StartStandIn("orvane serial test program (second copy)", log2);
    TestWindow unrelated(Test(), "Orvane notes");
    unrelated.Map();
    ASSERT_NE(WaitForWindow(u"Orvane Linescope - COM3"), 0u);
    ASSERT_NE(WaitForWindow(u"orvane serial test program (second copy)"), 0u);

    linescope->RequestPortRelease();
    EXPECT_EQ(sleeps, (std::vector<int>{500}));
    EXPECT_TRUE(WaitFor([&] { return FileText(log1) == "args\n1003\n"; })) << FileText(log1);
    EXPECT_TRUE(WaitFor([&] { return FileText(log2) == "args\n1003\n"; })) << FileText(log2);

    linescope->AnnouncePortFree();
    EXPECT_EQ(sleeps.size(), 1u);
    EXPECT_TRUE(WaitFor([&] { return FileText(log1) == "args\n1003\n1004\n"; }));
    EXPECT_TRUE(WaitFor([&] { return FileText(log2) == "args\n1003\n1004\n"; }));
}

TEST_F(LinescopeX11Test, StartsLinescopeWithItsSwitchesThenFrontsTheRunningCopy) {
    const fs::path folder = dir / "app folder";
    fs::create_directories(folder);
    fs::create_symlink(LINESCOPE_STANDIN, folder / "Linescope");
    const fs::path log = dir / "started.log";
    setenv("LINESCOPE_STANDIN_LOG", log.c_str(), 1);
    linescope->AppFolder = folder.string() + "/";

    linescope->LaunchTestProgram(3, 9600, 'N', 8, 1);
    EXPECT_EQ(launcher.starts, 1);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(WaitFor([&] {
        return FileText(log) == "args -H -ASKWIRELESS -C3 -B9600 -PN -D8 -S1\n";
    })) << FileText(log);
    const WindowId copy = WaitForWindow(u"Orvane Serial Test Program - COM3");
    ASSERT_NE(copy, 0u);

    XIconifyWindow(Test(), copy, DefaultScreen(Test()));
    XFlush(Test());
    ASSERT_TRUE(WaitFor([&] { return windows->IsMinimised(copy); }));
    linescope->LaunchTestProgram(3, 9600, 'N', 8, 1);
    EXPECT_EQ(launcher.starts, 1); // no second copy
    EXPECT_TRUE(WaitFor([&] {
        return !windows->IsMinimised(copy) && windows->Foreground() == copy &&
               HasFocus(Test(), copy);
    }));

    // The started copy is nobody's child here: end it through its X connection.
    XKillClient(Test(), copy);
    XSync(Test(), False);
    EXPECT_TRUE(WaitFor([&] { return !windows->IsWindow(copy); }));
    unsetenv("LINESCOPE_STANDIN_LOG");
}

TEST_F(LinescopeX11Test, MissingLinescopeGivesTheMessage) {
    linescope->AppFolder = dir.string() + "/";
    linescope->LaunchTestProgram(1, 9600, 'N', 8, 1);
    EXPECT_EQ(launcher.starts, 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Narrow8(messages.shown[0].text),
              "Unable to load the communications test program Linescope.  \n\n"
              "A copy of Linescope must be located in the same folder as Tapline.     ");
}

} // namespace
