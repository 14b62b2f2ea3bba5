// GoogleTest before Xlib, whose macros (None, Bool) would otherwise clash with it.
#include <gtest/gtest.h>

#include "WindowTitled.h"
#include "app/ProgramHarness.h"
#include "platform/wayland/ForeignToplevelWindowSystem.h"
#include "platform/wayland/SwayServer.h"
#include "platform/wayland/WaylandConnection.h"

namespace {

// The real program on a Wayland desktop without XWayland (its window a Wayland client), typing
// through the compositor's virtual keyboard from the first reading on.
TEST(WaylandEndToEnd, ReadingsReachTheFocusedWaylandWindowAndTheFile) {
    SwayServer sway;
    ASSERT_TRUE(sway.Ok()) << sway.Failure();
    ProgramFolder program;
    unsetenv("DISPLAY");
    setenv("QT_QPA_PLATFORM", "wayland", 1);
    WaylandSink foot(WaylandSink::Kind::Foot, "receiving terminal", program.Dir() / "typed.txt");
    ASSERT_TRUE(WaitFor([&] { return foot.Ready(); }, std::chrono::seconds(10)));

    const fs::path target = program.Dir() / "readings.csv";
    program.Start({program.WriteSetup("Line 3.tpln_brisk", target, true).string()});

    // The compositor gives the program's new window the keyboard; the operator clicks back into
    // the terminal.
    WaylandConnection connection;
    ASSERT_TRUE(connection.Open());
    ForeignToplevelWindowSystem windows(connection, {}, {});
    const auto find = [&](const std::u16string& title) { return WindowTitled(windows, title); };
    ASSERT_TRUE(
        WaitFor([&] { return find(u"Tapline Brisk - Line 3") != 0; }, std::chrono::seconds(15)));
    const WindowId terminal = find(u"receiving terminal");
    ASSERT_NE(terminal, 0u);
    windows.Activate(terminal);
    ASSERT_TRUE(windows.WaitForKeyboard(terminal, 2000));

    std::string expectedFile, expectedTyped;
    for (const std::string r : {"12.345", "100.01", "-0,5"}) {
        program.Receiver().SendReading(r);
        expectedFile += r + "\r\n";
        expectedTyped += r + "\n";
        ASSERT_TRUE(
            WaitFor([&] { return FileText(target) == expectedFile; }, std::chrono::seconds(15)))
            << "file holds: " << FileText(target);
        EXPECT_TRUE(WaitFor([&] { return foot.Typed() == expectedTyped; }))
            << "typed: " << foot.Typed();
    }

    // Unplugged and back while capture runs: told without taking the keyboard from the terminal.
    ASSERT_TRUE(program.Replug());
    program.Receiver().SendReading("5.5");
    EXPECT_TRUE(WaitFor([&] { return foot.Typed() == expectedTyped + "5.5\n"; }))
        << "typed: " << foot.Typed();
    EXPECT_EQ(windows.Foreground(), terminal);
}

} // namespace
