#pragma once

#include "platform/WindowSystem.h"

#include <functional>
#include <vector>

// As Xlib declares it; this header stays free of Xlib's macros so that Qt code can include it.
typedef struct _XDisplay Display;

// The desktop's top-level windows over Xlib: through the window manager's EWMH hints when one
// runs and offers them, else straight from the window tree. Calls on windows that close
// meanwhile fail quietly.
class X11WindowSystem : public WindowSystem {
public:
    // display may be null (no X11 platform): there are then no windows. isOwnWindow tells the
    // program's own windows apart; it may be empty.
    X11WindowSystem(Display* display, std::function<bool(WindowId)> isOwnWindow);

    std::vector<WindowId> TopLevelWindows() override;
    bool IsWindow(WindowId window) override;
    bool IsVisible(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    std::u16string Title(WindowId window) override;
    void Restore(WindowId window) override;
    void Activate(WindowId window) override;
    bool WaitForKeyboard(WindowId window, int limitMs) override;
    void Raise(WindowId window) override;
    WindowId Foreground() override;
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
    using XId = unsigned long; // Xlib's Window and Atom

    struct Atoms {
        XId supportingWmCheck, supported, clientListStacking, activeWindow, restackWindow, wmName,
            utf8String, wmState, wmStateHints, hidden, portMessage;
    };

    bool WindowManagerSupports(XId hint);
    // The application window inside a top-level window: the one with WM_STATE, else the window
    // itself (no window manager sets WM_STATE).
    XId ClientOf(XId topLevel);
    XId FindWmStateChild(XId window, int depth);
    bool HasWmState(XId window);
    void SendToRoot(XId window, XId type, long l0, long l1, long l2);
    XId RootChildOf(XId window);
    // The keyboard focus is in the top-level window (a child of the root) or inside it.
    bool HoldsKeyboard(XId topLevel);
    std::u16string Utf8Title(XId window);
    std::u16string WmNameTitle(XId window);

    Display* display_;
    XId root_ = 0;
    Atoms atoms_{};
    // The hints the running window manager offers, kept while its check window lives: a new
    // manager has a check window of its own.
    XId supportedBy_ = 0;
    std::vector<XId> supported_;
    std::function<bool(WindowId)> isOwnWindow_;
};
