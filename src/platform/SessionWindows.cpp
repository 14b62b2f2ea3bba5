#include "platform/SessionWindows.h"

WindowSystem* SessionWindows::Owner(WindowId window, WindowId& own) {
    if (window == 0)
        return nullptr;
    if ((window & DesktopTag) != 0) {
        own = window & ~DesktopTag;
        return &desktop_;
    }
    own = window;
    return x11_;
}

std::vector<WindowId> SessionWindows::TopLevelWindows() {
    std::vector<WindowId> windows = desktop_.TopLevelWindows();
    for (WindowId& w : windows)
        w |= DesktopTag;
    return windows;
}

bool SessionWindows::IsWindow(WindowId window) {
    return Route(window, false, [](WindowSystem& s, WindowId own) { return s.IsWindow(own); });
}

bool SessionWindows::IsVisible(WindowId window) {
    return Route(window, false, [](WindowSystem& s, WindowId own) { return s.IsVisible(own); });
}

bool SessionWindows::IsMinimised(WindowId window) {
    return Route(window, false, [](WindowSystem& s, WindowId own) { return s.IsMinimised(own); });
}

std::u16string SessionWindows::Title(WindowId window) {
    return Route(window, std::u16string(),
                 [](WindowSystem& s, WindowId own) { return s.Title(own); });
}

void SessionWindows::Restore(WindowId window) {
    Route(window, 0, [](WindowSystem& s, WindowId own) { return s.Restore(own), 0; });
}

void SessionWindows::Activate(WindowId window) {
    Route(window, 0, [](WindowSystem& s, WindowId own) { return s.Activate(own), 0; });
}

bool SessionWindows::WaitForKeyboard(WindowId window, int limitMs) {
    return Route(window, false, [limitMs](WindowSystem& s, WindowId own) {
        return s.WaitForKeyboard(own, limitMs);
    });
}

void SessionWindows::Raise(WindowId window) {
    Route(window, 0, [](WindowSystem& s, WindowId own) { return s.Raise(own), 0; });
}

WindowId SessionWindows::Foreground() {
    const WindowId w = desktop_.Foreground();
    return w == 0 ? 0 : w | DesktopTag;
}

bool SessionWindows::IsOwnWindow(WindowId window) {
    return Route(window, false, [](WindowSystem& s, WindowId own) { return s.IsOwnWindow(own); });
}

void SessionWindows::PostPortMessage(WindowId window, int wParam) {
    if (x11_ == nullptr)
        return;
    if ((window & DesktopTag) == 0) {
        x11_->PostPortMessage(window, wParam);
        return;
    }
    // The test program is an X11 client: the compositor's entry is found again among the X
    // server's windows by its title.
    const std::u16string title = desktop_.Title(window & ~DesktopTag);
    if (title.empty())
        return;
    for (const WindowId x : x11_->TopLevelWindows())
        if (x11_->Title(x) == title)
            x11_->PostPortMessage(x, wParam);
}

void SessionWindows::SetAlwaysOnTop(WindowId window, bool on) {
    Route(window, 0, [on](WindowSystem& s, WindowId own) { return s.SetAlwaysOnTop(own, on), 0; });
}
