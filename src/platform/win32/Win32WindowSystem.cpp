#include "platform/win32/Win32WindowSystem.h"

#include <windows.h>

#include <dwmapi.h>

#include <chrono>

namespace {

HWND Handle(WindowId window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

WindowId Id(HWND window) {
    return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(window));
}

// Windows 8 and later keep some windows "visible" that nobody sees: suspended store apps,
// windows on another virtual desktop. Typing into one would lose the reading.
bool IsCloaked(HWND window) {
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
           cloaked != 0;
}

bool IsApplicationWindow(HWND window) {
    if (!IsWindowVisible(window) || IsCloaked(window))
        return false;
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if ((exStyle & WS_EX_TOOLWINDOW) != 0)
        return false;
    // An owned window (a dialog, a palette) belongs to its owner's application, unless it asks
    // to be shown as an application of its own.
    if (GetWindow(window, GW_OWNER) != nullptr && (exStyle & WS_EX_APPWINDOW) == 0)
        return false;
    return GetWindowTextLengthW(window) > 0;
}

BOOL CALLBACK CollectApplicationWindow(HWND window, LPARAM list) {
    if (IsApplicationWindow(window))
        reinterpret_cast<std::vector<WindowId>*>(list)->push_back(Id(window));
    return TRUE;
}

// Window positions of another thread's window wait for that thread to answer; a hung program
// must not stop the capture cycle.
UINT AsyncIfForeign(HWND window) {
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() ? 0
                                                                             : SWP_ASYNCWINDOWPOS;
}

bool HoldsKeyboard(HWND window) {
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr || GetAncestor(foreground, GA_ROOT) != window)
        return false;
    // The foreground can move before the window's own thread has taken the activation; keys
    // it reads before that would reach whatever had the focus in it.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return true;
    return info.hwndActive != nullptr && GetAncestor(info.hwndActive, GA_ROOT) == window;
}

} // namespace

std::vector<WindowId> Win32WindowSystem::TopLevelWindows() {
    // EnumWindows walks the top-level windows in z-order, topmost first, and unlike a
    // GetTopWindow/GetWindow walk cannot loop or stop early when a window closes meanwhile.
    std::vector<WindowId> windows;
    EnumWindows(CollectApplicationWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Win32WindowSystem::IsWindow(WindowId window) {
    return window != 0 && ::IsWindow(Handle(window));
}

bool Win32WindowSystem::IsVisible(WindowId window) {
    // IsWindowVisible holds for a minimised window too.
    return IsWindow(window) && IsWindowVisible(Handle(window)) && !IsCloaked(Handle(window));
}

bool Win32WindowSystem::IsMinimised(WindowId window) {
    return IsWindow(window) && IsIconic(Handle(window));
}

std::u16string Win32WindowSystem::Title(WindowId window) {
    if (!IsWindow(window))
        return {};
    // For another program's window GetWindowTextW reads the caption Windows keeps, without
    // asking the program, so a hung program cannot stop us here.
    wchar_t buffer[MaxTitleLength + 1] = {};
    const int length = GetWindowTextW(Handle(window), buffer, MaxTitleLength + 1);
    return length > 0 ? std::u16string(reinterpret_cast<const char16_t*>(buffer),
                                       static_cast<std::size_t>(length))
                      : std::u16string();
}

void Win32WindowSystem::Restore(WindowId window) {
    if (IsWindow(window))
        ShowWindow(Handle(window), SW_RESTORE);
}

void Win32WindowSystem::Activate(WindowId window) {
    if (!IsWindow(window))
        return;
    const HWND target = Handle(window);
    // Windows lets a process take the foreground only in some cases (it is the foreground
    // process, or received the last input, or the foreground lock has timed out, ...). A wedge
    // that types into the operator's chosen program is none of these most of the time, and
    // SetForegroundWindow then only flashes the target's taskbar button.
    if (SetForegroundWindow(target) && GetForegroundWindow() == target)
        return;
    // Attached to the foreground thread's input state, this thread counts as part of the
    // foreground for the moment and may hand it on. AllowSetForegroundWindow would not help:
    // it passes on a right this process holds to another process that then activates its own
    // window, and here neither is the case.
    //
    // Windows still refuses when the foreground belongs to a program with higher rights
    // (an elevated one: AttachThreadInput fails across integrity levels), on the secure desktop
    // (UAC prompt, lock screen), while another program holds LockSetForegroundWindow or a menu
    // is open, and when the foreground thread is hung. The keys then reach the old foreground,
    // which WaitForKeyboard tells the caller.
    const DWORD self = GetCurrentThreadId();
    const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const bool attached = foregroundThread != 0 && foregroundThread != self &&
                          AttachThreadInput(self, foregroundThread, TRUE);
    BringWindowToTop(target);
    SetForegroundWindow(target);
    if (attached)
        AttachThreadInput(self, foregroundThread, FALSE);
}

bool Win32WindowSystem::WaitForKeyboard(WindowId window, int limitMs) {
    if (!IsWindow(window))
        return false;
    const HWND root = GetAncestor(Handle(window), GA_ROOT);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!HoldsKeyboard(root)) {
        if (std::chrono::steady_clock::now() >= limit || !::IsWindow(root))
            return false;
        Sleep(1);
    }
    return true;
}

void Win32WindowSystem::Raise(WindowId window) {
    if (!IsWindow(window))
        return;
    SetWindowPos(Handle(window), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | AsyncIfForeign(Handle(window)));
}

WindowId Win32WindowSystem::Foreground() {
    return Id(GetForegroundWindow());
}

bool Win32WindowSystem::IsOwnWindow(WindowId window) {
    if (!IsWindow(window))
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(Handle(window), &process);
    return process == GetCurrentProcessId();
}

void Win32WindowSystem::PostPortMessage(WindowId window, int wParam) {
    if (IsWindow(window))
        PostMessageW(Handle(window), PortMessage, static_cast<WPARAM>(wParam), 0);
}

void Win32WindowSystem::Beep() {
    MessageBeep(0xFFFFFFFF);
}

void Win32WindowSystem::SetAlwaysOnTop(WindowId window, bool on) {
    if (!IsWindow(window))
        return;
    SetWindowPos(Handle(window), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | AsyncIfForeign(Handle(window)));
}
