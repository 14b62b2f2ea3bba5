#pragma once

#include "FileSink.h"

// Real X clients for the tests: windows of the test's own connection, and xterm running cat.

#include "XServer.h"

#include <X11/Xutil.h>
#include <xkbcommon/xkbcommon.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// How a test window carries its title.
enum class TitleKind {
    NetWmName,     // _NET_WM_NAME in UTF-8 only
    WmNameLatin1,  // WM_NAME of type STRING only
    WmNameCompound // WM_NAME of type COMPOUND_TEXT only
};

// A plain top-level window made on the given connection, destroyed with the object.
class TestWindow {
public:
    TestWindow(Display* display, const std::string& title, TitleKind kind = TitleKind::NetWmName)
        : display_(display) {
        id_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 0, 0,
                                  0xFFFFFF);
        switch (kind) {
        case TitleKind::NetWmName:
            XChangeProperty(display_, id_, XInternAtom(display_, "_NET_WM_NAME", False),
                            XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            static_cast<int>(title.size()));
            break;
        case TitleKind::WmNameLatin1:
            XStoreName(display_, id_, title.c_str());
            break;
        case TitleKind::WmNameCompound: {
            char* list[] = {const_cast<char*>(title.c_str())};
            XTextProperty property{};
            Xutf8TextListToTextProperty(display_, list, 1, XCompoundTextStyle, &property);
            XSetWMName(display_, id_, &property);
            XFree(property.value);
            break;
        }
        }
        // Processed, not just sent: other connections look at the window at once.
        XSync(display_, False);
    }
    ~TestWindow() { Destroy(); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    Window Id() const { return id_; }
    void Map() {
        XMapWindow(display_, id_);
        XFlush(display_);
    }
    void Unmap() {
        XUnmapWindow(display_, id_);
        XFlush(display_);
    }
    // Asks the window manager to minimise the window, as its owner would.
    void Iconify() {
        XIconifyWindow(display_, id_, DefaultScreen(display_));
        XFlush(display_);
    }
    void Destroy() {
        if (id_ == None)
            return;
        XDestroyWindow(display_, id_);
        XSync(display_, False);
        id_ = None;
    }

private:
    Display* display_;
    Window id_ = None;
};

// The root's child that contains the window: its frame under a window manager.
inline Window TopLevelOf(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    for (;;) {
        Window rootReturn = None, parent = None, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &rootReturn, &parent, &children, &count) == 0)
            return None;
        XFree(children);
        if (parent == root)
            return window;
        window = parent;
    }
}

// The root's child that holds the keyboard focus (the frame or, without a window manager, the
// application window), as the server sees it.
inline Window FocusedTopLevel(Display* display) {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == DefaultRootWindow(display))
        return None;
    return TopLevelOf(display, focus);
}

// True while the window, or a window inside it, holds the keyboard focus.
inline bool HasFocus(Display* display, Window window) {
    const Window top = TopLevelOf(display, window);
    return top != None && FocusedTopLevel(display) == top;
}

// The window the window manager announces as active on the root.
inline Window AnnouncedActiveWindow(Display* display) {
    const XProperty active(display, DefaultRootWindow(display),
                           XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 32, 1);
    return active.Valid() && active.Count() >= 1 ? active.Item(0) : None;
}

// Asks the window manager to activate a window, as a pager or a click on the taskbar would.
inline void RequestActivation(Display* display, Window window) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2; // from a pager
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(display);
}

// True while any key of the keyboard is down.
inline bool AnyKeyDown(Display* display) {
    char keys[32] = {};
    XQueryKeymap(display, keys);
    for (const char k : keys) {
        if (k != 0)
            return true;
    }
    return false;
}

// xterm running cat into a file: what is typed into its window lands in the file line by line.
// Ready once cat has the terminal (the shell made the file before it started cat).
class CatTerminal : public FileSink {
public:
    CatTerminal(const std::string& title, std::filesystem::path file) : FileSink(std::move(file)) {
        process_ = ChildProcess({"xterm", "-title", title, "-geometry", "60x8", "-e", "sh", "-c",
                                 "exec cat > \"$0\"", file_.string()});
    }
};

// The Qt text window of the tests (qt-text-sink): what Qt makes of the keys lands in the file.
class QtTextWindow : public FileSink {
public:
    QtTextWindow(const std::string& program, const std::string& title, std::filesystem::path file)
        : FileSink(std::move(file)) {
        process_ = ChildProcess({program, "-platform", "xcb", title, file_.string()});
    }
};

// A window on a connection of its own that records the key events it receives with their
// server times and the character Xlib makes of each press (as UTF-8), as xev shows them. It
// reads the keyboard map lazily, so it is for characters of the layout only.
class KeyRecorder {
public:
    struct Key {
        unsigned keycode;
        bool press;
        unsigned long time;
    };

    KeyRecorder(const std::string& displayName, const std::string& title)
        : display_(XOpenDisplay(displayName.c_str())) {
        Display* d = display_.get();
        window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 200, 100, 0, 0, 0xFFFFFF);
        XSelectInput(d, window_, KeyPressMask | KeyReleaseMask);
        XStoreName(d, window_, title.c_str());
        XMapWindow(d, window_);
        XSync(d, False);
    }

    Window Id() const { return window_; }
    const std::vector<Key>& Keys() const { return keys_; }
    const std::string& Text() const { return text_; }
    void Clear() {
        Drain();
        keys_.clear();
        text_.clear();
    }
    // Takes the events that have come until the text is the expected one, for at most 5 s.
    bool WaitForText(const std::string& expected) {
        return WaitFor([&] {
            Drain();
            return text_ == expected;
        });
    }

private:
    void Drain() {
        Display* d = display_.get();
        while (XPending(d) > 0) {
            XEvent event{};
            XNextEvent(d, &event);
            if (event.type != KeyPress && event.type != KeyRelease)
                continue;
            keys_.push_back({event.xkey.keycode, event.type == KeyPress, event.xkey.time});
            if (event.type == KeyPress) {
                // Xlib's text follows the test's locale; the keysym says what the key means.
                char ignored[16] = {};
                KeySym keysym = NoSymbol;
                XLookupString(&event.xkey, ignored, sizeof ignored, &keysym, nullptr);
                char utf8[8] = {};
                if (xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(keysym), utf8, sizeof utf8) > 0)
                    text_ += utf8;
            }
        }
    }

    XDisplayConnection display_;
    Window window_ = None;
    std::vector<Key> keys_;
    std::string text_;
};
