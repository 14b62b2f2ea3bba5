#include "platform/DesktopSession.h"

DesktopChoice ChooseDesktop(const DesktopFacts& facts) {
    DesktopChoice c;
    c.ownWindowsX11 = !facts.x11Display.empty();
    if (!facts.Wayland()) {
        if (facts.x11Display.empty()) {
            c.reason = "no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set): readings "
                       "are not typed";
            return c;
        }
        c.typing = TypingPath::XTest;
        c.windows = WindowListPath::X11;
        c.reason = "X11 session: typing through XTEST, windows from the X server";
        return c;
    }
    const std::string where =
        facts.desktop.empty() ? "Wayland session" : facts.desktop + " (Wayland)";
    if (facts.virtualKeyboard && facts.toplevelList) {
        c.typing = TypingPath::VirtualKeyboard;
        c.windows = WindowListPath::Toplevels;
        c.reason = where + ": typing through the compositor's virtual keyboard, windows from its "
                           "toplevel list";
    } else if (facts.remoteDesktopPortal) {
        c.typing = TypingPath::Portal;
        // KDE's portal lets a program type without asking; GNOME's asks at every run.
        const std::string portal =
            facts.desktop.find("KDE") != std::string::npos
                ? ": typing through the desktop portal (allowed without a question)"
                : ": typing through the desktop portal (the desktop asks once per run)";
        if (facts.kwinScripting) {
            c.windows = WindowListPath::KWin;
            c.reason = where + portal + ", windows through KWin scripts";
        } else if (!facts.x11Display.empty()) {
            c.windows = WindowListPath::X11ClientsOnly;
            c.reason = where + portal + "; only X11 windows can be listed";
        } else {
            c.reason = where + portal + "; no window list";
        }
    } else if (!facts.x11Display.empty()) {
        c.typing = TypingPath::XTest;
        c.windows = WindowListPath::X11ClientsOnly;
        c.reason = where + " offers no virtual keyboard and no remote desktop portal: typing "
                           "reaches X11 (XWayland) windows only";
    } else {
        c.reason = where + " offers no virtual keyboard, no remote desktop portal and no "
                           "XWayland: readings are not typed";
    }
    return c;
}
