#pragma once

#include <string>

// What the program learns about the desktop it starts in: the session's environment and what
// the compositor and the session bus offer.
struct DesktopFacts {
    std::string sessionType;          // XDG_SESSION_TYPE: "x11", "wayland", or empty
    std::string waylandDisplay;       // WAYLAND_DISPLAY
    std::string x11Display;           // DISPLAY (XWayland in a Wayland session)
    std::string desktop;              // XDG_CURRENT_DESKTOP, e.g. "GNOME", "KDE", "sway"
    bool virtualKeyboard = false;     // the compositor offers any client a virtual keyboard
    bool toplevelList = false;        // ... and the list of its toplevel windows
    bool remoteDesktopPortal = false; // the desktop portal types for us, with consent
    bool kwinScripting = false;       // KWin lists and activates windows through scripts

    bool Wayland() const { return !waylandDisplay.empty() || sessionType == "wayland"; }
};

// How readings are typed and where the window list comes from.
enum class TypingPath { XTest, VirtualKeyboard, Portal, None };
enum class WindowListPath { X11, Toplevels, KWin, X11ClientsOnly, None };

struct DesktopChoice {
    TypingPath typing = TypingPath::None;
    WindowListPath windows = WindowListPath::None;
    // The program's own windows are X11 clients (on XWayland in a Wayland session): their
    // placement, the taskbar hint of tray mode and the test program's messages work.
    bool ownWindowsX11 = false;
    std::string reason; // one line for the operator, printed once at start
};

DesktopChoice ChooseDesktop(const DesktopFacts& facts);
