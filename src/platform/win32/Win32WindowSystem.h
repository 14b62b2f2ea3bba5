#pragma once

#include "platform/WindowSystem.h"

// The desktop's top-level windows over the Win32 window functions. A WindowId is the HWND.
// Every call copes with a window that has closed meanwhile (Windows answers false, 0 or an
// empty title for it). Raising another program's window does not wait for that program, so a
// hung one cannot stop the capture cycle there.
//
// The list holds the windows a user would call applications, as the taskbar and Alt+Tab show
// them: visible, not cloaked, unowned or marked as application windows, no tool windows, with a
// title; topmost first.
class Win32WindowSystem : public WindowSystem {
public:
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

    // The message the communications test program listens for: WM_APP + 101, lParam 0.
    static constexpr unsigned PortMessage = 0x8000 + 101;
};
