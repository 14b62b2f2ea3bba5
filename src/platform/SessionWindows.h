#pragma once

#include "platform/WindowSystem.h"

// The windows of a Wayland session whose own program windows are X11 clients (XWayland). The
// desktop's list, focus and activation come from the compositor; the X11 features of X11
// windows (our frame kept on top, the test program's port messages) still go through the X
// server. The two kinds of id are told apart by a tag bit on the compositor's ones.
class SessionWindows : public WindowSystem {
public:
    // x11 may be null (the program's windows are Wayland clients).
    SessionWindows(WindowSystem& desktop, WindowSystem* x11) : desktop_(desktop), x11_(x11) {}

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
    void Beep() override { desktop_.Beep(); }
    void SetAlwaysOnTop(WindowId window, bool on) override;

    static constexpr WindowId DesktopTag = WindowId{1} << 63;

private:
    // The window system an id belongs to, and the id it knows the window by.
    WindowSystem* Owner(WindowId window, WindowId& own);
    // Asks the window's own system, or answers none for an id nobody knows.
    template <class Result, class Ask> Result Route(WindowId window, Result none, Ask ask) {
        WindowId own = 0;
        WindowSystem* s = Owner(window, own);
        return s != nullptr ? ask(*s, own) : none;
    }

    WindowSystem& desktop_;
    WindowSystem* x11_;
};
