// gtest and Qt come before Xlib, whose macros (None, Bool, Status) clash with them.
#include <gtest/gtest.h>

#include "XTestClients.h"
#include "platform/x11/X11WindowSystem.h"

#include <algorithm>
#include <memory>

namespace {

// The window walk over a real X server, once with a window manager and once without. The code
// under test has a connection of its own, as the program would; the test looks at the server
// and makes its windows through another.
class X11WindowSystemTest : public ::testing::Test {
protected:
    static void StartServer(bool withWindowManager) {
        server = std::make_unique<XServer>(withWindowManager);
        ASSERT_TRUE(server->Ok()) << "Xvfb did not start";
        if (withWindowManager) {
            ASSERT_TRUE(server->WindowManagerRunning()) << "openbox did not start";
        }
    }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server && server->Ok());
        program.reset(XOpenDisplay(server->Name().c_str()));
        ASSERT_NE(program, nullptr);
        windows = std::make_unique<X11WindowSystem>(program.get(), nullptr);
    }
    void TearDown() override {
        windows.reset();
        program.reset();
    }

    Display* Test() { return server->Connection(); }

    // Maps the window and waits until the walk shows it.
    void Show(TestWindow& window) {
        window.Map();
        ASSERT_TRUE(WaitFor([&] { return windows->IsVisible(window.Id()); }));
    }

    // The walk restricted to the given windows, in walk order.
    std::vector<WindowId> WalkOf(std::initializer_list<const TestWindow*> of) {
        std::vector<WindowId> order;
        for (const WindowId id : windows->TopLevelWindows()) {
            for (const TestWindow* w : of) {
                if (w->Id() == id)
                    order.push_back(id);
            }
        }
        return order;
    }

    static std::unique_ptr<XServer> server;
    XDisplayConnection program;
    std::unique_ptr<X11WindowSystem> windows;
};
std::unique_ptr<XServer> X11WindowSystemTest::server;

class WithWindowManager : public X11WindowSystemTest {
protected:
    static void SetUpTestSuite() { StartServer(true); }
};

class WithoutWindowManager : public X11WindowSystemTest {
protected:
    static void SetUpTestSuite() { StartServer(false); }
};

// --- Titles ----------------------------------------------------------------------------------

TEST_F(WithWindowManager, TitlesAreReadInEveryEncoding) {
    TestWindow utf8(Test(), "Z\xC3\xA4hler \xE2\x80\x93 Messwert \xE2\x82\xAC",
                    TitleKind::NetWmName);
    TestWindow latin1(Test(), "Caf\xE9 latin", TitleKind::WmNameLatin1);
    TestWindow compound(Test(),
                        "Gr\xC3\xB6\xC3\x9F"
                        "e \xCE\xA9",
                        TitleKind::WmNameCompound);
    TestWindow untitled(Test(), "", TitleKind::NetWmName);
    EXPECT_EQ(windows->Title(utf8.Id()), u"Z\u00E4hler \u2013 Messwert \u20AC");
    EXPECT_EQ(windows->Title(latin1.Id()), u"Caf\u00E9 latin");
    EXPECT_EQ(windows->Title(compound.Id()), u"Gr\u00F6\u00DFe \u03A9");
    EXPECT_EQ(windows->Title(untitled.Id()), u"");
}

TEST_F(WithWindowManager, LongTitlesAreCutToNinetyNineUnits) {
    const std::string longTitle = std::string(120, 'x') + "END";
    TestWindow utf8(Test(), longTitle, TitleKind::NetWmName);
    TestWindow latin1(Test(), longTitle, TitleKind::WmNameLatin1);
    EXPECT_EQ(windows->Title(utf8.Id()), std::u16string(99, u'x'));
    EXPECT_EQ(windows->Title(latin1.Id()), std::u16string(99, u'x'));
}

// --- Walk and stacking -------------------------------------------------------------------------

TEST_F(WithWindowManager, WalkIsTopmostFirstAndRaiseChangesIt) {
    TestWindow a(Test(), "Walk A"), b(Test(), "Walk B"), c(Test(), "Walk C");
    Show(a);
    Show(b);
    Show(c);
    ASSERT_TRUE(WaitFor([&] {
        return WalkOf({&a, &b, &c}) == std::vector<WindowId>{c.Id(), b.Id(), a.Id()};
    }));
    windows->Raise(a.Id());
    EXPECT_TRUE(WaitFor([&] {
        return WalkOf({&a, &b, &c}) == std::vector<WindowId>{a.Id(), c.Id(), b.Id()};
    }));
}

TEST_F(WithWindowManager, MinimisedWindowStaysVisibleUntilRestored) {
    TestWindow w(Test(), "Minimise me");
    Show(w);
    EXPECT_FALSE(windows->IsMinimised(w.Id()));
    w.Iconify();
    ASSERT_TRUE(WaitFor([&] { return windows->IsMinimised(w.Id()); }));
    EXPECT_TRUE(windows->IsVisible(w.Id()));

    windows->Restore(w.Id());
    EXPECT_TRUE(WaitFor([&] {
        XWindowAttributes attributes;
        return !windows->IsMinimised(w.Id()) && XGetWindowAttributes(Test(), w.Id(), &attributes) &&
               attributes.map_state == IsViewable;
    }));
}

TEST_F(WithWindowManager, ClosedWindowIsNotVisible) {
    TestWindow w(Test(), "Withdraw me");
    Show(w);
    w.Unmap();
    EXPECT_TRUE(WaitFor([&] { return !windows->IsVisible(w.Id()); }));
    EXPECT_TRUE(windows->IsWindow(w.Id()));
}

// --- Keyboard focus ----------------------------------------------------------------------------

TEST_F(WithWindowManager, ActivationAndForegroundAgreeWithTheWindowManager) {
    TestWindow a(Test(), "Focus A"), b(Test(), "Focus B");
    Show(a);
    Show(b);
    // openbox gives a new window the keyboard shortly after showing it; let that happen first.
    ASSERT_TRUE(WaitFor([&] { return HasFocus(Test(), b.Id()); }));
    for (const TestWindow* w : {&a, &b, &a}) {
        windows->Activate(w->Id());
        // Typing may follow once the wait says so: the window holds the keyboard then.
        EXPECT_TRUE(windows->WaitForKeyboard(w->Id(), 2000)) << "window " << w->Id();
        EXPECT_TRUE(HasFocus(Test(), w->Id())) << "window " << w->Id();
        EXPECT_TRUE(WaitFor([&] {
            return windows->Foreground() == w->Id() && AnnouncedActiveWindow(Test()) == w->Id() &&
                   HasFocus(Test(), w->Id());
        })) << "window "
            << w->Id();
    }
}

// The active window comes with its presence in one look: that of the window named now, also when
// it is the one of the last look and has changed since.
TEST_F(WithWindowManager, ForegroundComesWithItsPresenceOfNow) {
    TestWindow a(Test(), "Look A"), b(Test(), "Look B");
    Show(a);
    Show(b);
    WindowSystem::Presence presence;
    for (const TestWindow* w : {&a, &b, &b}) {
        windows->Activate(w->Id());
        ASSERT_TRUE(WaitFor([&] { return AnnouncedActiveWindow(Test()) == w->Id(); }));
        EXPECT_EQ(windows->ForegroundPresence(presence), w->Id());
        EXPECT_TRUE(presence.exists && presence.visible && !presence.minimised);
    }
    // b closed by its program while a manager still names it active.
    b.Unmap();
    ASSERT_TRUE(WaitFor([&] { return !windows->IsVisible(b.Id()); }));
    const Atom active = XInternAtom(Test(), "_NET_ACTIVE_WINDOW", False);
    const Window named = b.Id();
    XChangeProperty(Test(), DefaultRootWindow(Test()), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&named), 1);
    XSync(Test(), False);
    EXPECT_EQ(windows->ForegroundPresence(presence), b.Id());
    EXPECT_TRUE(presence.exists);
    EXPECT_FALSE(presence.visible) << "not the presence of the last look";
}

TEST_F(WithWindowManager, ActivationRestoresAMinimisedWindow) {
    TestWindow w(Test(), "Activate minimised");
    Show(w);
    w.Iconify();
    ASSERT_TRUE(WaitFor([&] { return windows->IsMinimised(w.Id()); }));
    windows->Activate(w.Id());
    EXPECT_TRUE(WaitFor([&] { return !windows->IsMinimised(w.Id()) && HasFocus(Test(), w.Id()); }));
}

// A window closing between the walk and the calls on it must not end the program: Xlib's own
// error handler would exit on the BadWindow errors these calls cause.
void ExpectClosedWindowIsHarmless(X11WindowSystem& windows, WindowId gone) {
    EXPECT_FALSE(windows.IsWindow(gone));
    EXPECT_FALSE(windows.IsVisible(gone));
    EXPECT_FALSE(windows.IsMinimised(gone));
    EXPECT_EQ(windows.Title(gone), u"");
    windows.Restore(gone);
    windows.Activate(gone);
    EXPECT_FALSE(windows.WaitForKeyboard(gone, 50));
    windows.Raise(gone);
    windows.PostPortMessage(gone, 1003);
    windows.Beep();
}

TEST_F(WithWindowManager, WindowThatClosesDuringTheWalkIsHarmless) {
    TestWindow w(Test(), "Short-lived");
    Show(w);
    const WindowId id = w.Id();
    const auto walk = windows->TopLevelWindows();
    ASSERT_NE(std::find(walk.begin(), walk.end(), id), walk.end());
    w.Destroy();
    ExpectClosedWindowIsHarmless(*windows, id);
    EXPECT_TRUE(WaitFor([&] {
        const auto now = windows->TopLevelWindows();
        return std::find(now.begin(), now.end(), id) == now.end();
    }));
}

// --- Without a window manager ------------------------------------------------------------------

TEST_F(WithoutWindowManager, WalkIsTopmostFirstAndRaiseChangesIt) {
    TestWindow a(Test(), "Bare A"), b(Test(), "Bare B", TitleKind::WmNameLatin1),
        c(Test(), "Bare C");
    Show(a);
    Show(b);
    Show(c);
    EXPECT_EQ(WalkOf({&a, &b, &c}), (std::vector<WindowId>{c.Id(), b.Id(), a.Id()}));
    EXPECT_EQ(windows->Title(b.Id()), u"Bare B");
    windows->Raise(a.Id());
    EXPECT_TRUE(WaitFor([&] {
        return WalkOf({&a, &b, &c}) == std::vector<WindowId>{a.Id(), c.Id(), b.Id()};
    }));
}

TEST_F(WithoutWindowManager, ActivationGivesTheKeyboardAndForegroundReportsIt) {
    TestWindow a(Test(), "Bare focus A"), b(Test(), "Bare focus B");
    Show(a);
    Show(b);
    for (const TestWindow* w : {&a, &b}) {
        windows->Activate(w->Id());
        EXPECT_TRUE(
            WaitFor([&] { return windows->Foreground() == w->Id() && HasFocus(Test(), w->Id()); }));
        EXPECT_EQ(WalkOf({&a, &b}).front(), w->Id());
    }
}

TEST_F(WithoutWindowManager, RestoreShowsAHiddenWindow) {
    TestWindow w(Test(), "Bare hidden");
    EXPECT_FALSE(windows->IsVisible(w.Id()));
    windows->Restore(w.Id());
    EXPECT_TRUE(WaitFor([&] { return windows->IsVisible(w.Id()); }));
}

TEST_F(WithoutWindowManager, WindowThatClosesDuringTheWalkIsHarmless) {
    TestWindow w(Test(), "Bare short-lived");
    Show(w);
    const WindowId id = w.Id();
    w.Destroy();
    ExpectClosedWindowIsHarmless(*windows, id);
    const auto now = windows->TopLevelWindows();
    EXPECT_EQ(std::find(now.begin(), now.end(), id), now.end());
}

TEST_F(WithoutWindowManager, HintsLeftByAWindowManagerThatDiedAreNotTrusted) {
    TestWindow a(Test(), "Survivor A"), b(Test(), "Survivor B");
    ASSERT_TRUE(server->StartWindowManager());
    Show(a);
    Show(b);
    windows->Activate(b.Id());
    ASSERT_TRUE(WaitFor([&] { return AnnouncedActiveWindow(Test()) == b.Id(); }));
    server->StopWindowManager(true);
    // The windows are back on the root, and the dead window manager's hints are still there.
    ASSERT_TRUE(WaitFor([&] {
        return TopLevelOf(Test(), a.Id()) == a.Id() && TopLevelOf(Test(), b.Id()) == b.Id();
    }));
    ASSERT_EQ(AnnouncedActiveWindow(Test()), b.Id());

    windows->Activate(a.Id());
    EXPECT_TRUE(
        WaitFor([&] { return windows->Foreground() == a.Id() && HasFocus(Test(), a.Id()); }));
    EXPECT_EQ(WalkOf({&a, &b}).front(), a.Id());
}

// The window manager keeps the window above the others while asked, and lets it go again.
TEST_F(WithWindowManager, AlwaysOnTopAsksTheWindowManager) {
    TestWindow keep(Test(), "Kept on top"), other(Test(), "Other window");
    Show(keep);
    Show(other);
    const Atom state = XInternAtom(Test(), "_NET_WM_STATE", False);
    const Atom above = XInternAtom(Test(), "_NET_WM_STATE_ABOVE", False);
    const auto isAbove = [&] {
        const XProperty p(Test(), keep.Id(), state, XA_ATOM, 32, 64);
        for (std::size_t i = 0; i < p.Count(); ++i) {
            if (p.Item(i) == above)
                return true;
        }
        return false;
    };
    const auto otherOnTop = [&] { return WalkOf({&keep, &other}).front() == other.Id(); };

    windows->SetAlwaysOnTop(keep.Id(), true);
    ASSERT_TRUE(WaitFor(isAbove));
    windows->Raise(other.Id());
    EXPECT_FALSE(WaitFor(otherOnTop, std::chrono::milliseconds(300)));

    windows->SetAlwaysOnTop(keep.Id(), false);
    EXPECT_TRUE(WaitFor([&] { return !isAbove(); }));
    windows->Raise(other.Id());
    EXPECT_TRUE(WaitFor(otherOnTop));
    EXPECT_TRUE(windows->IsVisible(keep.Id())) << "the same window, shown all along";
}

} // namespace
