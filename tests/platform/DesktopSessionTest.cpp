#include "platform/DesktopSession.h"
#include "fakes/FakeWindowSystem.h"
#include "platform/SessionWindows.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopSession, EachDesktopGetsTheWaysItOffers) {
    struct Row {
        const char* what;
        DesktopFacts facts;
        TypingPath typing;
        WindowListPath windows;
        bool ownX11;
    };
    const Row rows[] = {
        {"X11", {"x11", "", ":0", "XFCE"}, TypingPath::XTest, WindowListPath::X11, true},
        {"X11 without XDG_SESSION_TYPE",
         {"", "", ":1", ""},
         TypingPath::XTest,
         WindowListPath::X11,
         true},
        {"sway with XWayland",
         {"wayland", "wayland-1", ":0", "sway", true, true},
         TypingPath::VirtualKeyboard,
         WindowListPath::Toplevels,
         true},
        {"sway without XWayland",
         {"wayland", "wayland-1", "", "sway", true, true},
         TypingPath::VirtualKeyboard,
         WindowListPath::Toplevels,
         false},
        {"a virtual keyboard alone is not enough",
         {"wayland", "wayland-0", ":0", "", true, false},
         TypingPath::XTest,
         WindowListPath::X11ClientsOnly,
         true},
        {"GNOME",
         {"wayland", "wayland-0", ":0", "GNOME", false, false, true},
         TypingPath::Portal,
         WindowListPath::X11ClientsOnly,
         true},
        {"GNOME without XWayland",
         {"wayland", "wayland-0", "", "GNOME", false, false, true},
         TypingPath::Portal,
         WindowListPath::None,
         false},
        {"KDE",
         {"wayland", "wayland-0", ":1", "KDE", false, false, true, true},
         TypingPath::Portal,
         WindowListPath::KWin,
         true},
        {"bare Wayland",
         {"wayland", "wayland-0", "", ""},
         TypingPath::None,
         WindowListPath::None,
         false},
        {"nothing", {}, TypingPath::None, WindowListPath::None, false},
    };
    for (const Row& r : rows) {
        const DesktopChoice c = ChooseDesktop(r.facts);
        EXPECT_EQ(c.typing, r.typing) << r.what;
        EXPECT_EQ(c.windows, r.windows) << r.what;
        EXPECT_EQ(c.ownWindowsX11, r.ownX11) << r.what;
        EXPECT_FALSE(c.reason.empty()) << r.what;
        // Only GNOME's portal asks the operator; KDE's lets the program type without a word.
        if (r.typing == TypingPath::Portal) {
            EXPECT_EQ(c.reason.find("asks") != std::string::npos, r.facts.desktop == "GNOME")
                << c.reason;
        }
    }
}

TEST(SessionWindows, CompositorListWithX11FeaturesForX11Windows) {
    using Action = FakeWindowSystem::Action;
    using Call = FakeWindowSystem::Call;
    FakeWindowSystem compositor, x11;
    compositor.Add(1, u"Spreadsheet");
    compositor.Add(2, u"Linescope - COM3");
    compositor.foreground = 1;
    x11.Add(0x400007, u"Tapline Brisk - Untitled").own = true;
    x11.Add(0x600003, u"Linescope - COM3");
    SessionWindows windows(compositor, &x11);

    const std::vector<WindowId> list = windows.TopLevelWindows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(windows.Title(list[0]), u"Spreadsheet");
    EXPECT_EQ(windows.Foreground(), list[0]);
    windows.Activate(list[1]);
    EXPECT_TRUE(windows.WaitForKeyboard(list[1], 100));
    EXPECT_EQ(compositor.foreground, 2u);

    // Our frame (an X11 id) is kept on top by the X server; the test program, listed by the
    // compositor, gets its port message as the X11 client it is.
    windows.SetAlwaysOnTop(0x400007, true);
    windows.PostPortMessage(list[1], 1);
    EXPECT_EQ(x11.calls,
              (std::vector<Call>{{Action::AlwaysOnTop, 0x400007, 1}, {Action::Post, 0x600003, 1}}));
    EXPECT_TRUE(windows.IsOwnWindow(0x400007));
    EXPECT_FALSE(windows.IsWindow(0));
}

} // namespace
