// gtest and Qt come before Xlib, whose macros (None, Bool, Status) clash with them.
#include <gtest/gtest.h>

#include "XTestClients.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XTestKeyboardInjector.h"
#include "targets/Target_App.h"

#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Packets typed into real terminals (xterm running cat) through XTEST, as the program does.
class X11KeystrokeTest : public ::testing::Test {
protected:
    static void StartServer(bool withWindowManager) {
        server = std::make_unique<XServer>(withWindowManager);
        ASSERT_TRUE(server->Ok()) << "Xvfb did not start";
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server && server->Ok());
        dir = fs::temp_directory_path() / "keystrokes";
        fs::create_directories(dir);
        program.reset(XOpenDisplay(server->Name().c_str()));
        ASSERT_NE(program, nullptr);
        keyboard = std::make_unique<XTestKeyboardInjector>(program.get());
        ASSERT_TRUE(keyboard->Available());
        windows = std::make_unique<X11WindowSystem>(program.get(), [](WindowId) { return false; });
        sender = std::make_unique<CTarget_App>(*keyboard, *windows);
        records.SetDefaults();
        sender->Setup = &records.Setup;
    }
    void TearDown() override {
        sender.reset();
        windows.reset();
        keyboard.reset();
        program.reset();
        fs::remove_all(dir);
    }

    Display* Test() { return server->Connection(); }

    void UseMode(int mode, const char* title = "") {
        records.Setup.TargetAppMode = static_cast<std::uint8_t>(mode);
        std::memset(records.Setup.TargetAppTitle, 0, sizeof records.Setup.TargetAppTitle);
        std::strncpy(records.Setup.TargetAppTitle, title, 100);
    }

    // The terminal's window, once it is shown and cat is reading.
    WindowId WaitForTerminal(const CatTerminal& terminal, const std::u16string& title) {
        WindowId found = 0;
        WaitFor([&] {
            for (const WindowId id : windows->TopLevelWindows()) {
                if (windows->Title(id) == title && windows->IsVisible(id)) {
                    found = id;
                    return terminal.Ready();
                }
            }
            return false;
        });
        return found;
    }

    void Focus(WindowId id) {
        windows->Activate(id);
        ASSERT_TRUE(WaitFor([&] { return windows->Foreground() == id && HasFocus(Test(), id); }));
    }

    static std::unique_ptr<XServer> server;
    fs::path dir;
    XDisplayConnection program;
    std::unique_ptr<XTestKeyboardInjector> keyboard;
    std::unique_ptr<X11WindowSystem> windows;
    std::unique_ptr<CTarget_App> sender;
    SetupRecords records;
};
std::unique_ptr<XServer> X11KeystrokeTest::server;

class WithWindowManager : public X11KeystrokeTest {
protected:
    static void SetUpTestSuite() {
        StartServer(true);
        ASSERT_TRUE(server->WindowManagerRunning()) << "openbox did not start";
    }
};

class WithoutWindowManager : public X11KeystrokeTest {
protected:
    static void SetUpTestSuite() { StartServer(false); }
};

TEST_F(WithWindowManager, TextTypedIntoTheFocusedWindowArrivesExactly) {
    CatTerminal terminal("Brisk Typing Target", dir / "typed.txt");
    const WindowId id = WaitForTerminal(terminal, u"Brisk Typing Target");
    ASSERT_NE(id, 0u);
    Focus(id);
    UseMode(0);
    sender->SendPacket(u"12.5\r");
    sender->SendPacket(u"Ab aA 11 1\n1 AA\r");
    sender->SendPacket(u"!@#$%^&*()_+{}|:\"<>?~ `-=[]\\;',./\tend\r");
    sender->SendPacket(u"caf\u00E9 \u20AC5\x7F\r"); // keyless characters are dropped
    const std::string expected = "12.5\n"
                                 "Ab aA 11 11 AA\n"
                                 "!@#$%^&*()_+{}|:\"<>?~ `-=[]\\;',./\tend\n"
                                 "caf 5\n";
    EXPECT_TRUE(WaitFor([&] { return terminal.Typed() == expected; }))
        << "typed: [" << terminal.Typed() << "]";
    // Nothing stays down for the server to repeat into the window.
    EXPECT_TRUE(WaitFor([&] { return !AnyKeyDown(Test()); }));
}

TEST_F(WithWindowManager, WindowFoundByTitleIsRestoredActivatedAndTyped) {
    CatTerminal target("Brisk Target Alpha", dir / "alpha.txt");
    CatTerminal other("Brisk Other Beta", dir / "beta.txt");
    const WindowId targetId = WaitForTerminal(target, u"Brisk Target Alpha");
    const WindowId otherId = WaitForTerminal(other, u"Brisk Other Beta");
    ASSERT_NE(targetId, 0u);
    ASSERT_NE(otherId, 0u);

    XIconifyWindow(Test(), targetId, DefaultScreen(Test()));
    XFlush(Test());
    ASSERT_TRUE(WaitFor([&] { return windows->IsMinimised(targetId); }));
    Focus(otherId);

    UseMode(1, "target ALPHA");
    sender->SendPacket(u"42\r");
    EXPECT_TRUE(WaitFor([&] { return target.Typed() == "42\n"; }))
        << "typed: [" << target.Typed() << "]";
    EXPECT_FALSE(windows->IsMinimised(targetId));
    EXPECT_EQ(windows->Foreground(), targetId);
    EXPECT_TRUE(HasFocus(Test(), targetId));
    EXPECT_EQ(other.Typed(), "");
}

TEST_F(WithWindowManager, FocusedTerminalKeepsTheKeyboardInModeZero) {
    CatTerminal first("Brisk Mode Zero One", dir / "one.txt");
    CatTerminal second("Brisk Mode Zero Two", dir / "two.txt");
    const WindowId one = WaitForTerminal(first, u"Brisk Mode Zero One");
    const WindowId two = WaitForTerminal(second, u"Brisk Mode Zero Two");
    ASSERT_NE(one, 0u);
    ASSERT_NE(two, 0u);
    UseMode(0);
    Focus(one);
    sender->SendPacket(u"1\r");
    ASSERT_TRUE(WaitFor([&] { return first.Typed() == "1\n"; }));
    Focus(two);
    sender->SendPacket(u"2\r");
    EXPECT_TRUE(WaitFor([&] { return second.Typed() == "2\n"; }));
    EXPECT_EQ(first.Typed(), "1\n");
}

TEST_F(WithoutWindowManager, WindowIsFoundAndTypedIntoWithoutWindowManager) {
    CatTerminal target("Brisk Plain Target", dir / "plain.txt");
    const WindowId id = WaitForTerminal(target, u"Brisk Plain Target");
    ASSERT_NE(id, 0u);
    TestWindow cover(Test(), "Cover");
    cover.Map();
    XSetInputFocus(Test(), cover.Id(), RevertToParent, CurrentTime);
    XFlush(Test());
    ASSERT_TRUE(WaitFor([&] { return HasFocus(Test(), cover.Id()); }));

    UseMode(1, "plain target");
    sender->SendPacket(u"7.25\r");
    EXPECT_TRUE(WaitFor([&] { return target.Typed() == "7.25\n"; }))
        << "typed: [" << target.Typed() << "]";
    EXPECT_EQ(windows->Foreground(), id);

    UseMode(0);
    sender->SendPacket(u"Ok\r");
    EXPECT_TRUE(WaitFor([&] { return target.Typed() == "7.25\nOk\n"; }));
}

} // namespace
