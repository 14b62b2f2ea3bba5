#include <gtest/gtest.h>

#include "SwayServer.h"
#include "platform/wayland/ForeignToplevelWindowSystem.h"
#include "platform/wayland/VirtualKeyboardInjector.h"
#include "platform/wayland/WaylandConnection.h"
#include "setup/SetupRecord.h"
#include "targets/Target_App.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c == u'\r') {
            out += '\n'; // as the terminal and the text window take Return
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Readings typed by the keystroke sender into foot and a Qt window under a headless sway, through
// the program's own Wayland connection as in use.
class WaylandKeystrokeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<SwayServer>(true); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server->Ok()) << server->Failure();
        dir = fs::temp_directory_path() / "wayland-keystrokes";
        fs::create_directories(dir);
        ASSERT_TRUE(connection.Open()) << "no connection to sway at " << server->Socket();
        ASSERT_TRUE(connection.HasVirtualKeyboard());
        ASSERT_TRUE(connection.HasToplevelList());
        windows = std::make_unique<ForeignToplevelWindowSystem>(
            connection,
            [](const std::u16string& title, const std::string&) {
                return title.rfind(u"Tapline Brisk", 0) == 0;
            },
            [this] { ++beeps; });
        records.SetDefaults();
    }
    void TearDown() override {
        sender.reset();
        keyboard.reset();
        windows.reset();
        fs::remove_all(dir);
    }

    // The keyboard as the program makes it at start, and the sender that types through it.
    void StartKeyboard() {
        keyboard = std::make_unique<VirtualKeyboardInjector>(connection);
        ASSERT_TRUE(keyboard->Available());
        sender = std::make_unique<CTarget_App>(*keyboard, *windows);
        sender->Setup = &records.Setup;
    }

    void UseMode(int mode, const char* title = "") {
        records.Setup.TargetAppMode = static_cast<std::uint8_t>(mode);
        std::memset(records.Setup.TargetAppTitle, 0, sizeof records.Setup.TargetAppTitle);
        std::strncpy(records.Setup.TargetAppTitle, title, 100);
    }

    // The sink's window once it is listed and its sink is ready.
    WindowId WaitForWindow(const std::u16string& title, const WaylandSink& sink) {
        WindowId found = 0;
        WaitFor(
            [&] {
                for (const WindowId id : windows->TopLevelWindows()) {
                    if (windows->Title(id) == title) {
                        found = id;
                        return sink.Ready();
                    }
                }
                return false;
            },
            std::chrono::seconds(10));
        return found;
    }

    void Focus(WindowId id) {
        windows->Activate(id);
        ASSERT_TRUE(windows->WaitForKeyboard(id, 2000));
        ASSERT_EQ(windows->Foreground(), id);
    }

    std::vector<std::u16string> Titles() {
        std::vector<std::u16string> titles;
        for (const WindowId id : windows->TopLevelWindows())
            titles.push_back(windows->Title(id));
        return titles;
    }

    static std::unique_ptr<SwayServer> server;
    fs::path dir;
    WaylandConnection connection;
    std::unique_ptr<ForeignToplevelWindowSystem> windows;
    std::unique_ptr<VirtualKeyboardInjector> keyboard;
    std::unique_ptr<CTarget_App> sender;
    SetupRecords records;
    int beeps = 0;
};
std::unique_ptr<SwayServer> WaylandKeystrokeTest::server;

// Readings of operators around the world, a batch of more different characters than one keymap
// holds and a batch of 5,000 characters arrive exactly in a terminal and in a Qt window, and in an
// X terminal through XWayland; the first reading typed right after the keyboard is made (on a seat
// that had none) included.
TEST_F(WaylandKeystrokeTest, ReadingsArriveExactlyInFootQtAndXterm) {
    WaylandSink foot(WaylandSink::Kind::Foot, "Brisk Foot Sink", dir / "foot.txt");
    WaylandSink qt(WaylandSink::Kind::Qt, "Brisk Qt Sink", dir / "qt.txt", QT_TEXT_SINK);
    const std::string display = server->XDisplay();
    ASSERT_FALSE(display.empty()) << "sway offers no XWayland display";
    WaylandSink xterm(WaylandSink::Kind::XTerm, "Brisk XTerm Sink", server->Folder() / "xterm.txt",
                      display, server->ClientUser());
    const WindowId footId = WaitForWindow(u"Brisk Foot Sink", foot);
    const WindowId qtId = WaitForWindow(u"Brisk Qt Sink", qt);
    const WindowId xtermId = WaitForWindow(u"Brisk XTerm Sink", xterm);
    ASSERT_NE(footId, 0u);
    ASSERT_NE(qtId, 0u);
    ASSERT_NE(xtermId, 0u) << "xterm did not come up through XWayland";

    std::u16string manyKinds;
    for (char16_t c = u'\u4E00'; c < u'\u4E00' + 300; ++c)
        manyKinds += c;
    // A batch longer than the compositor passes on at once to a client that reads slowly.
    std::u16string lines;
    while (lines.size() < 5000)
        lines += u"Lot 42,5 \u00B0C \u00B5m\r";
    const std::u16string readings[] = {
        u"-0.5", u"12,34",  u"yz/:",         u"1 000,5 \u00B0C",    u"\u03A9\u00B5\u00E9\u20AC",
        u"3\t4", u"100.01", u"\U0001F600 x", manyKinds + u"\u00E9", lines + u"end"};
    UseMode(0);
    for (const WindowId target : {footId, qtId, xtermId}) {
        Focus(target);
        const WaylandSink& sink = target == footId ? foot : target == qtId ? qt : xterm;
        // XWayland takes the keymap anew when its window gets the keyboard, and its X clients
        // fetch it a little later: as an operator would, the reading comes once the focus has
        // settled.
        if (target == xtermId)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (!keyboard)
            StartKeyboard();
        std::string expected;
        for (const std::u16string& reading : readings) {
            sender->SendPacket(reading + u"\r");
            expected += Utf8(reading) + "\n";
            // Reading by reading, so that a lost first reading shows as such. The Qt window
            // rewrites its file at every key: the long batch takes it a while.
            ASSERT_TRUE(WaitFor([&] { return sink.Typed() == expected; }, std::chrono::seconds(15)))
                << (target == footId ? "foot"
                    : target == qtId ? "Qt"
                                     : "xterm")
                << " has [" << sink.Typed() << "], expected [" << expected << "]";
        }
    }
    EXPECT_EQ(beeps, 0);
}

// Mode 1 among three sink windows: the one whose title matches gets the keyboard and the text,
// the one that had the keyboard gets nothing; by layout and by scan codes.
TEST_F(WaylandKeystrokeTest, TitledWindowAmongThreeIsActivatedAndTyped) {
    WaylandSink alpha(WaylandSink::Kind::Foot, "Brisk Sink Alpha", dir / "alpha.txt");
    WaylandSink beta(WaylandSink::Kind::Qt, "Brisk Sink Beta", dir / "beta.txt", QT_TEXT_SINK);
    // A title longer than a window system gives: cut to 99 UTF-16 units, and a character
    // outside the BMP that would straddle the cut is left out whole.
    std::string longTitle = "Brisk Sink Gamma \u03A9\u20ACx";
    std::u16string cutTitle = u"Brisk Sink Gamma \u03A9\u20ACx";
    for (int i = 0; i < 45; ++i) {
        longTitle += "\U0001F600";
        if (i < 39)
            cutTitle += u"\U0001F600";
    }
    WaylandSink gamma(WaylandSink::Kind::Foot, longTitle, dir / "gamma.txt");
    const WindowId ids[] = {WaitForWindow(u"Brisk Sink Alpha", alpha),
                            WaitForWindow(u"Brisk Sink Beta", beta),
                            WaitForWindow(cutTitle, gamma)};
    for (const WindowId id : ids)
        ASSERT_NE(id, 0u);
    const WaylandSink* sinks[] = {&alpha, &beta, &gamma};
    StartKeyboard();

    struct Row {
        int focused, target;
        const char* title;
        KeyboardTyping typing;
        std::u16string reading;
        std::string typed;
    };
    const Row rows[] = {
        {2, 1, "sink BETA", KeyboardTyping::Layout, u"42,5 \u00B0C\r", "42,5 \u00B0C\n"},
        {1, 0, "alpha", KeyboardTyping::Layout, u"-0.5\r", "-0.5\n"},
        {0, 2, "Brisk Sink Gamma", KeyboardTyping::ScanCodes, u"aA1!\r", "aA1!\n"},
    };
    std::string typed[3];
    for (const Row& row : rows) {
        Focus(ids[row.focused]);
        // The list shows the three, the window with the keyboard first.
        const std::vector<WindowId> list = windows->TopLevelWindows();
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list.front(), ids[row.focused]);
        std::vector<std::u16string> titles = Titles();
        std::sort(titles.begin(), titles.end());
        EXPECT_EQ(titles,
                  (std::vector<std::u16string>{u"Brisk Sink Alpha", u"Brisk Sink Beta", cutTitle}));

        UseMode(1, row.title);
        sender->Typing = row.typing;
        sender->SendPacket(row.reading);
        typed[row.target] += row.typed;
        EXPECT_EQ(windows->Foreground(), ids[row.target]) << row.title;
        EXPECT_TRUE(WaitFor([&] { return sinks[row.target]->Typed() == typed[row.target]; }))
            << row.title << ": [" << sinks[row.target]->Typed() << "]";
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(sinks[i]->Typed(), typed[i]) << row.title << " in window " << i;
    }
    EXPECT_EQ(beeps, 0);

    // A window that has closed is gone from the list and answers as gone; its id stays unused.
    const WindowId closed = ids[0];
    alpha.Process().Stop();
    ASSERT_TRUE(WaitFor([&] { return !windows->IsWindow(closed); }));
    EXPECT_EQ(windows->Title(closed), u"");
    EXPECT_EQ(windows->TopLevelWindows().size(), 2u);
    UseMode(1, "alpha");
    sender->SendPacket(u"1\r");
    EXPECT_EQ(beeps, 1);
    WaylandSink again(WaylandSink::Kind::Foot, "Brisk Sink Alpha", dir / "again.txt");
    const WindowId newId = WaitForWindow(u"Brisk Sink Alpha", again);
    EXPECT_NE(newId, 0u);
    EXPECT_NE(newId, closed);
    EXPECT_FALSE(windows->IsWindow(closed));
}

} // namespace
