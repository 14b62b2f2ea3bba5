#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A top-level window of the desktop; 0 stands for none.
using WindowId = std::uint64_t;

// The desktop's top-level windows as the keystroke sender, the target application dialog and
// the test program launcher see them. Every call copes with a window that has gone meanwhile:
// it then answers false, empty or 0 and does nothing.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The application windows, topmost first.
    virtual std::vector<WindowId> TopLevelWindows() = 0;
    virtual bool IsWindow(WindowId window) = 0;
    // Shown on the desktop; a minimised window counts as visible.
    virtual bool IsVisible(WindowId window) = 0;
    virtual bool IsMinimised(WindowId window) = 0;
    // The three answers above in one look, where the desktop can give them at once.
    struct Presence {
        bool exists = false, visible = false, minimised = false;
    };
    virtual Presence PresenceOf(WindowId window) {
        return {IsWindow(window), IsVisible(window), IsMinimised(window)};
    }
    // The title, cut to MaxTitleLength UTF-16 units.
    virtual std::u16string Title(WindowId window) = 0;
    // Brings a minimised window back.
    virtual void Restore(WindowId window) = 0;
    // Asks for the window to become the one that receives keyboard input. The desktop may
    // hand the keyboard over a little later: see WaitForKeyboard.
    virtual void Activate(WindowId window) = 0;
    // Returns as soon as the window (or a window inside it) holds the keyboard, at once when it
    // already does, or after limitMs; true when it holds the keyboard.
    virtual bool WaitForKeyboard(WindowId window, int limitMs) = 0;
    // Puts the window on top of the others without giving it the keyboard.
    virtual void Raise(WindowId window) = 0;
    // The window that receives keyboard input now, or 0.
    virtual WindowId Foreground() = 0;
    // The same, with its presence (all false for 0), in one look where the desktop can.
    virtual WindowId ForegroundPresence(Presence& presence) {
        const WindowId window = Foreground();
        presence = window != 0 ? PresenceOf(window) : Presence{};
        return window;
    }
    // One of this program's own windows.
    virtual bool IsOwnWindow(WindowId window) = 0;
    // Posts the port message of the communications test program (release or free).
    virtual void PostPortMessage(WindowId window, int wParam) = 0;
    // The desktop's simple beep.
    virtual void Beep() = 0;
    // Keeps the window above the others (on) or lets it be covered again (off), asking the
    // window manager; the window itself stays as it is (not made anew, not hidden).
    virtual void SetAlwaysOnTop(WindowId window, bool on) = 0;
    // False where the list holds only some of the desktop's windows (the X11 ones of a Wayland
    // session): the window with the keyboard may then be one that Foreground cannot name.
    virtual bool ListsEveryWindow() { return true; }

    static constexpr std::size_t MaxTitleLength = 99;
};
