#pragma once

// A private X server for tests and benchmarks: Xvfb on a display number it picks itself, with the
// openbox window manager when asked, both stopped by their process ids at the end.

#include "ChildProcess.h"
#include "platform/x11/XProperty.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <unistd.h>

class XServer {
public:
    explicit XServer(bool withWindowManager) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        // Xvfb writes the display number it chose to descriptor 3 once it accepts clients.
        server_ = ChildProcess(
            {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
            fds[1]);
        close(fds[1]);
        std::string number;
        pollfd readable{fds[0], POLLIN, 0};
        while (poll(&readable, 1, 10000) == 1) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (number.empty())
            return;
        name_ = ":" + number;
        setenv("DISPLAY", name_.c_str(), 1);
        WaitFor([this] {
            connection_.reset(XOpenDisplay(name_.c_str()));
            return connection_ != nullptr;
        });
        if (connection_ && withWindowManager)
            StartWindowManager();
    }
    ~XServer() {
        StopWindowManager();
        connection_.reset();
        server_.Stop();
    }

    bool Ok() const { return connection_ != nullptr; }
    const std::string& Name() const { return name_; }
    // A connection of the test's own, for looking at the server independently of the code
    // under test.
    Display* Connection() const { return connection_.get(); }

    bool StartWindowManager() {
        const auto dir = std::filesystem::temp_directory_path() / "openbox";
        std::filesystem::create_directories(dir);
        // Only what the tests rely on; the rest are openbox's defaults. No menus: there is no
        // menu file to find on a test machine.
        std::ofstream(dir / "rc.xml")
            << "<?xml version=\"1.0\"?>\n"
               "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
               "  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>\n"
               "  <placement><policy>Smart</policy></placement>\n"
               "  <desktops><number>1</number></desktops>\n"
               "  <menu><file>"
            << (dir / "menu.xml").string()
            << "</file></menu>\n"
               "</openbox_config>\n";
        std::ofstream(dir / "menu.xml")
            << "<?xml version=\"1.0\"?>\n<openbox_menu xmlns=\"http://openbox.org/3.4/menu\">"
               "<menu id=\"root-menu\" label=\"Menu\"/></openbox_menu>\n";
        windowManager_ =
            ChildProcess({"openbox", "--sm-disable", "--config-file", (dir / "rc.xml").string()});
        return WaitFor([this] { return WindowManagerRunning(); }) && WaitUntilManaging();
    }
    // crash: end it as a crash would, leaving its hints on the root window.
    void StopWindowManager(bool crash = false) {
        windowManager_.Stop(crash ? SIGKILL : SIGTERM);
        if (connection_)
            WaitFor([this] { return !WindowManagerRunning(); });
    }
    // The window manager's check window exists and names itself.
    bool WindowManagerRunning() const {
        Display* d = connection_.get();
        const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
        const XProperty onRoot(d, DefaultRootWindow(d), check, XA_WINDOW, 32, 1);
        if (!onRoot.Valid() || onRoot.Count() < 1)
            return false;
        XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        const XProperty onSelf(d, onRoot.Item(0), check, XA_WINDOW, 32, 1);
        XSync(d, False);
        XSetErrorHandler(previous);
        return onSelf.Valid() && onSelf.Count() >= 1 && onSelf.Item(0) == onRoot.Item(0);
    }

private:
    bool Lists(Window window) const {
        Display* d = connection_.get();
        const XProperty list(d, DefaultRootWindow(d),
                             XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False), XA_WINDOW, 32,
                             4096);
        for (std::size_t i = 0; i < list.Count(); ++i) {
            if (list.Item(i) == window)
                return true;
        }
        return false;
    }

    // openbox announces itself before it handles map requests, and drops those that come in
    // between: a window shown then would stay unmapped for good. So wait until it manages a
    // probe window, asking again now and then.
    bool WaitUntilManaging() {
        Display* d = connection_.get();
        const Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
        int polls = 0;
        const bool managed = WaitFor([&] {
            if (polls++ % 10 == 0) {
                XMapWindow(d, probe);
                XSync(d, False);
            }
            return Lists(probe);
        });
        XDestroyWindow(d, probe);
        XSync(d, False);
        return managed && WaitFor([&] { return !Lists(probe); });
    }

    ChildProcess server_;
    ChildProcess windowManager_;
    std::string name_;
    XDisplayConnection connection_;
};
