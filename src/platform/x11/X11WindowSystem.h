#pragma once

#include "platform/WindowSystem.h"

#include <functional>
#include <vector>

// As Xlib and xcb declare them; this header stays free of Xlib's macros so that Qt code can
// include it.
typedef struct _XDisplay Display;
struct xcb_connection_t;
class XcbProperty;

// The desktop's top-level windows on X11: through the window manager's EWMH hints when one runs
// and offers them, else straight from the window tree. Calls on windows that close meanwhile
// fail quietly. What is only looked at goes over an xcb connection of our own, where the
// requests of one look share a round trip and no toolkit thread wakes for their replies; what
// changes windows goes over the program's connection, in order with the toolkit's own requests.
class X11WindowSystem : public WindowSystem {
public:
    // display may be null (no X11 platform): there are then no windows. isOwnWindow tells the
    // program's own windows apart; it may be empty.
    X11WindowSystem(Display* display, std::function<bool(WindowId)> isOwnWindow);
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    std::vector<WindowId> TopLevelWindows() override;
    bool IsWindow(WindowId window) override;
    bool IsVisible(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    Presence PresenceOf(WindowId window) override;
    std::u16string Title(WindowId window) override;
    void Restore(WindowId window) override;
    void Activate(WindowId window) override;
    bool WaitForKeyboard(WindowId window, int limitMs) override;
    void Raise(WindowId window) override;
    WindowId Foreground() override;
    WindowId ForegroundPresence(Presence& presence) override;
    bool IsOwnWindow(WindowId window) override;
    void PostPortMessage(WindowId window, int wParam) override;
    void Beep() override;
    void SetAlwaysOnTop(WindowId window, bool on) override;
    bool ListsEveryWindow() override { return !onlyX11Clients_; }
    // On XWayland in a Wayland session the list holds only the X11 clients, and a native
    // window with the keyboard is focus "none" here.
    void SetOnlyX11Clients(bool only) { onlyX11Clients_ = only; }

    // The type of the ClientMessage that carries the port message; l[0] holds the message
    // number, l[1] the wParam, l[2] the lParam.
    static constexpr const char* PortMessageAtom = "_ORVANE_PORT_MESSAGE";
    static constexpr long PortMessageNumber = 0x8065;

private:
    bool onlyX11Clients_ = false;
    using XId = std::uint32_t; // a window or atom on the wire

    struct Atoms {
        XId supportingWmCheck, supported, clientListStacking, activeWindow, restackWindow, wmName,
            utf8String, wmState, wmStateHints, hidden, portMessage;
    };

    class PresenceQuestion;
    // Foreground, and with presence set ForegroundPresence.
    WindowId LookAtForeground(Presence* presence);
    bool WindowManagerSupports(XId hint);
    // The same, given the root's check property read in the caller's round trip.
    bool WindowManagerSupports(XcbProperty& rootCheck, XId hint);
    // Takes the events that came before the last reply: the end of the verified manager.
    void TakeEvents();
    // The application window inside a top-level window: the one with WM_STATE, else the window
    // itself (no window manager sets WM_STATE).
    XId ClientOf(XId topLevel);
    XId FindWmStateChild(XId window, int depth);
    void SendToRoot(XId window, XId type, long l0, long l1, long l2);
    XId RootChildOf(XId window);
    // The window with the keyboard focus; none when the focus is nowhere or follows the pointer.
    XId FocusWindow();
    // The keyboard focus is in the top-level window (a child of the root) or inside it.
    bool HoldsKeyboard(XId topLevel);
    std::u16string Utf8Title(XId window);
    std::u16string WmNameTitle(XId window);

    Display* display_;
    xcb_connection_t* conn_ = nullptr; // owned; null when there is no X11 or it refused us
    XId root_ = 0;
    Atoms atoms_{};
    // The hints the running window manager offers, kept while its check window lives (we watch
    // it for its end): a new manager has a check window of its own.
    XId supportedBy_ = 0;
    std::vector<XId> supported_;
    XId lastForeground_ = 0; // the active window the last look found
    std::function<bool(WindowId)> isOwnWindow_;
};
