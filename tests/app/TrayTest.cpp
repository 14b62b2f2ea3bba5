// GoogleTest before Xlib, whose macros (None, Bool) would otherwise clash with it.
#include <gtest/gtest.h>

#include "app/ProgramHarness.h"

#include <X11/extensions/XTest.h>

namespace {

bool Viewable(Display* d, Window w) {
    XWindowAttributes a{};
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// A tray icon: a window that carries the embedding protocol's info and sits inside another.
Window EmbeddedIcon(Display* d, Window w, int depth = 0) {
    Window root = None, parent = None, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count))
        return None;
    Window found = None;
    const Atom info = XInternAtom(d, "_XEMBED_INFO", False);
    for (unsigned i = 0; i < count && found == None; ++i) {
        const XProperty p(d, children[i], info, info, 32, 2);
        if (depth > 0 && p.Valid() && Viewable(d, children[i]))
            found = children[i];
        else
            found = EmbeddedIcon(d, children[i], depth + 1);
    }
    XFree(children);
    return found;
}

void DoubleClick(Display* d, Window w) {
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 4, 4, &x, &y, &child);
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XFlush(d);
    for (int i = 0; i < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // as a hand clicks
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XFlush(d);
    }
}

// A setup that asks for the tray and a minimised window leaves the icon alone; a double-click on
// it shows the window. (Minimising by hand is the window manager's: openbox offers no minimise
// for windows kept off the taskbar, so the offscreen frame tests cover that path.)
TEST(Tray, MinimisedSetupLeavesTheIconAndDoubleClickShows) {
    ProgramHarness h;
    ASSERT_TRUE(h.Ok());
    Display* d = h.X().Connection();
    ChildProcess tray({"trayer", "--edge", "bottom", "--align", "left", "--widthtype", "pixel",
                       "--width", "120", "--height", "32", "--SetDockType", "true"});
    const Atom traySelection = XInternAtom(d, "_NET_SYSTEM_TRAY_S0", False);
    ASSERT_TRUE(WaitFor([&] { return XGetSelectionOwner(d, traySelection) != None; },
                        std::chrono::seconds(10)))
        << "no tray host";

    SetupRecords records;
    records.SetDefaults();
    records.Setup.ProgramIcon = 1;
    records.Setup.OpenMinimized = 1;
    const fs::path setup = h.Dir() / "Tray.tpln_brisk";
    std::ofstream(setup, std::ios::binary)
        .write(reinterpret_cast<const char*>(records.Setup.Bytes()), SetupRecord::Size);
    h.Start({setup.string()});

    Window main = None;
    ASSERT_TRUE(WaitFor([&] { return (main = h.MainWindow("Tapline Brisk - Tray")) != None; },
                        std::chrono::seconds(15)));
    Window icon = None;
    ASSERT_TRUE(WaitFor([&] { return (icon = EmbeddedIcon(d, DefaultRootWindow(d))) != None; },
                        std::chrono::seconds(10)))
        << "the program's icon is in the tray";
    EXPECT_TRUE(WaitFor([&] { return !Viewable(d, main); })) << "only the icon shows";

    // The icon takes clicks once the tray has sized it; a click that came too early is repeated,
    // as a user would.
    bool shown = false;
    for (int attempt = 0; attempt < 5 && !shown; ++attempt) {
        DoubleClick(d, icon);
        shown = WaitFor([&] { return Viewable(d, main); }, std::chrono::seconds(1));
    }
    EXPECT_TRUE(shown) << "a double-click shows it again";
    EXPECT_TRUE(h.Program().Running());
}

} // namespace
