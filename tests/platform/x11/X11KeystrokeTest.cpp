// gtest and Qt come before Xlib, whose macros (None, Bool, Status) clash with them.
#include <gtest/gtest.h>

#include <QString>

#include "XTestClients.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XTestKeyboardInjector.h"
#include "platform/x11/XkbMapWatch.h"
#include "targets/Target_App.h"

#include <X11/extensions/XTest.h>

#include <X11/XKBlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

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

    // A window of the walk by its title, once it is shown and ready.
    WindowId WaitForWindow(const std::u16string& title, const std::function<bool()>& ready) {
        WindowId found = 0;
        WaitFor([&] {
            for (const WindowId id : windows->TopLevelWindows()) {
                if (windows->Title(id) == title && windows->IsVisible(id)) {
                    found = id;
                    return ready();
                }
            }
            return false;
        });
        return found;
    }

    // Sets the server's keyboard layout as the operator's desktop would.
    void UseLayout(const std::string& layout) {
        ASSERT_EQ(std::system(("setxkbmap -display " + server->Name() + " " + layout).c_str()), 0);
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
    sender->SendPacket(u"caf\u00E9 \u20AC5\x7F\r"); // delete stays keyless
    const std::string expected = "12.5\n"
                                 "Ab aA 11 11 AA\n"
                                 "!@#$%^&*()_+{}|:\"<>?~ `-=[]\\;',./\tend\n"
                                 "caf\u00E9 \u20AC5\n";
    EXPECT_TRUE(WaitFor([&] { return terminal.Typed() == expected; }))
        << "typed: [" << terminal.Typed() << "]";
    // Nothing stays down for the server to repeat into the window.
    EXPECT_TRUE(WaitFor([&] { return !AnyKeyDown(Test()); }));
}

// The readings of operators around the world, as xterm (Xlib) and Qt (xkbcommon) read the keys,
// under the US, German and French layouts, with Caps Lock on and with Control held down.
TEST_F(WithWindowManager, ReadingsArriveExactlyUnderEveryLayoutCapsLockAndHeldControl) {
    CatTerminal terminal("Brisk Layout Terminal", dir / "terminal.txt");
    QtTextWindow qt(QT_TEXT_SINK, "Brisk Layout Qt", dir / "qt.txt");
    const WindowId terminalId =
        WaitForWindow(u"Brisk Layout Terminal", [&] { return terminal.Ready(); });
    const WindowId qtId = WaitForWindow(u"Brisk Layout Qt", [&] { return qt.Ready(); });
    ASSERT_NE(terminalId, 0u);
    ASSERT_NE(qtId, 0u);
    UseMode(0);
    const std::u16string readings[] = {u"-0.5",  u"12,34",           u"yz/:",
                                       u"Ab@{}", u"1 000,5 \u00B0C", u"3\t4"};
    std::string once;
    for (const std::u16string& reading : readings)
        once += QString::fromStdU16String(reading).toStdString() + "\n";

    Display* d = Test();
    const unsigned control = XKeysymToKeycode(d, XK_Control_L);
    enum class State { Plain, CapsLock, ControlHeld };
    std::string expectedTerminal, expectedQt;
    for (const char* layout : {"de", "fr", "us"}) {
        UseLayout(layout);
        for (const State state : {State::Plain, State::CapsLock, State::ControlHeld}) {
            for (const WindowId target : {terminalId, qtId}) {
                Focus(target);
                if (state == State::CapsLock)
                    XkbLockModifiers(d, XkbUseCoreKbd, LockMask, LockMask);
                if (state == State::ControlHeld)
                    XTestFakeKeyEvent(d, control, True, CurrentTime);
                XSync(d, False);
                for (const std::u16string& reading : readings)
                    sender->SendPacket(reading + u"\r");
                (target == terminalId ? expectedTerminal : expectedQt) += once;
                const bool arrived =
                    target == terminalId
                        ? WaitFor([&] { return terminal.Typed() == expectedTerminal; })
                        : WaitFor([&] { return qt.Typed() == expectedQt; });
                // The operator's keyboard is as it was.
                XkbStateRec keyboardState{};
                XkbGetState(d, XkbUseCoreKbd, &keyboardState);
                EXPECT_EQ((keyboardState.locked_mods & LockMask) != 0, state == State::CapsLock);
                EXPECT_EQ((keyboardState.base_mods & ControlMask) != 0,
                          state == State::ControlHeld);
                XkbLockModifiers(d, XkbUseCoreKbd, LockMask, 0);
                XTestFakeKeyEvent(d, control, False, CurrentTime);
                XSync(d, False);
                ASSERT_TRUE(arrived) << layout << " state " << static_cast<int>(state) << " in "
                                     << (target == terminalId ? "xterm: [" + terminal.Typed() + "]"
                                                              : "Qt: [" + qt.Typed() + "]");
            }
        }
    }
}

std::string Stream(const KeyRecorder& recorder) {
    std::string out;
    for (const KeyRecorder::Key& key : recorder.Keys())
        out += std::to_string(key.keycode) + (key.press ? "+" : "-") + "@" +
               std::to_string(key.time % 100000) + " ";
    return out;
}

// xev's view of the stream: no release and press of one key at the same server time (what
// autorepeat looks like, and what LibreOffice folds away), every press released before the key
// goes down again, and nothing held afterwards; in both kinds of typing.
TEST_F(WithWindowManager, KeyStreamNeverLooksLikeAutorepeat) {
    KeyRecorder recorder(server->Name(), "Brisk Key Recorder");
    const WindowId id = WaitForWindow(u"Brisk Key Recorder", [] { return true; });
    ASSERT_NE(id, 0u);
    Focus(id);
    UseMode(0);
    for (const KeyboardTyping typing : {KeyboardTyping::Layout, KeyboardTyping::ScanCodes}) {
        sender->Typing = typing;
        recorder.Clear();
        for (const char16_t* reading : {u"2.25\r", u"100.01\r", u"11\r", u"aA\r"})
            sender->SendPacket(reading);
        ASSERT_TRUE(recorder.WaitForText("2.25\r100.01\r11\raA\r")) << recorder.Text();
        std::map<unsigned, KeyRecorder::Key> last; // by keycode
        for (const KeyRecorder::Key& key : recorder.Keys()) {
            const auto before = last.find(key.keycode);
            if (before != last.end()) {
                EXPECT_NE(before->second.press, key.press) << "keycode " << key.keycode;
                EXPECT_FALSE(!before->second.press && key.press && before->second.time == key.time)
                    << "keycode " << key.keycode << " released and pressed at " << key.time
                    << " typing " << static_cast<int>(typing) << " in " << Stream(recorder);
            }
            last[key.keycode] = key;
        }
        for (const auto& [keycode, key] : last)
            EXPECT_FALSE(key.press) << "keycode " << keycode << " left down";
    }
    // Scan codes: the US keys in their order, each released right after its press.
    recorder.Clear();
    sender->SendPacket(u"aA");
    ASSERT_TRUE(recorder.WaitForText("aA"));
    std::vector<std::pair<unsigned, bool>> stream;
    for (const KeyRecorder::Key& key : recorder.Keys())
        stream.emplace_back(key.keycode, key.press);
    EXPECT_EQ(stream,
              (std::vector<std::pair<unsigned, bool>>{
                  {38, true}, {38, false}, {50, true}, {38, true}, {38, false}, {50, false}}));
}

// A character the layout lacks borrows a keycode for its batch only: the map is as before.
TEST_F(WithWindowManager, KeyboardMapIsLeftAsItWasFound) {
    CatTerminal terminal("Brisk Map Terminal", dir / "map.txt");
    const WindowId id = WaitForWindow(u"Brisk Map Terminal", [&] { return terminal.Ready(); });
    ASSERT_NE(id, 0u);
    Focus(id);
    UseMode(0);
    Display* d = Test();
    const auto map = [d] {
        int min = 0, max = 0, perKey = 0;
        XDisplayKeycodes(d, &min, &max);
        KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(min), max - min + 1, &perKey);
        std::vector<KeySym> all(syms, syms + (max - min + 1) * perKey);
        XFree(syms);
        return all;
    };
    const std::vector<KeySym> before = map();
    sender->SendPacket(u"20 °C µm é\r");
    ASSERT_TRUE(WaitFor([&] { return terminal.Typed() == "20 °C µm é\n"; })) << terminal.Typed();
    EXPECT_TRUE(WaitFor([&] { return map() == before; }));
}

// The keymap is kept from reading to reading; whatever another program changes in between is
// followed from the very next reading: a layout loaded, the group switched, one key remapped.
TEST_F(WithWindowManager, NextReadingFollowsAKeyboardChangedJustBeforeIt) {
    CatTerminal terminal("Brisk Change Terminal", dir / "change.txt");
    const WindowId id = WaitForWindow(u"Brisk Change Terminal", [&] { return terminal.Ready(); });
    ASSERT_NE(id, 0u);
    Focus(id);
    UseMode(0);
    Display* d = Test();
    const KeyCode q = XKeysymToKeycode(d, XK_q);
    KeySym qSyms[2] = {XK_q, XK_Q};
    KeySym xSyms[2] = {XK_x, XK_X};
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"layout", [&] { UseLayout("de,us"); }},
        {"group 2", [&] { XkbLockGroup(d, XkbUseCoreKbd, 1); }},
        {"group 1", [&] { XkbLockGroup(d, XkbUseCoreKbd, 0); }},
        {"q types x", [&] { XChangeKeyboardMapping(d, q, 2, xSyms, 1); }},
        {"q again", [&] { XChangeKeyboardMapping(d, q, 2, qSyms, 1); }},
    };
    std::string expected;
    sender->SendPacket(u"yz-qx\r");
    expected += "yz-qx\n";
    ASSERT_TRUE(WaitFor([&] { return terminal.Typed() == expected; })) << terminal.Typed();
    for (const auto& [change, apply] : changes) {
        apply();
        XSync(d, False);
        sender->SendPacket(u"yz-qx\r");
        expected += "yz-qx\n";
        ASSERT_TRUE(WaitFor([&] { return terminal.Typed() == expected; }))
            << "after " << change << ": [" << terminal.Typed() << "]";
    }
    // The group switched after the keyboard state was asked for ahead of typing, and typing that
    // comes later than such an answer may be used: the state is asked for anew.
    keyboard->PrepareTyping();
    std::this_thread::sleep_for(std::chrono::milliseconds(10)); // the server has answered
    XkbLockGroup(d, XkbUseCoreKbd, 1);
    XSync(d, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(XkbMapWatch::StateFreshMs + 20));
    ASSERT_TRUE(keyboard->TypeCharacters(U"yz-qx\r"));
    expected += "yz-qx\n";
    EXPECT_TRUE(WaitFor([&] { return terminal.Typed() == expected; }))
        << "after a late group switch: [" << terminal.Typed() << "]";
    UseLayout("us");
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
    // The keys arrived there; the window manager may still be settling its active window.
    EXPECT_TRUE(WaitFor([&] { return windows->Foreground() == targetId; }))
        << "foreground: " << windows->Foreground();
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
