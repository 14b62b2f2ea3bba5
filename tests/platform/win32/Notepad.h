#pragma once

// A notepad of the test's own: started with CreateProcessW, found among the desktop's
// application windows by its title and process, ended by its process handle.

#include "platform/WindowSystem.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

// Asks until the condition holds or limitMs have passed; true when it held.
inline bool WaitUntil(const std::function<bool()>& condition, int limitMs = 10000) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= limit)
            return false;
        // Keeps this thread's own windows answering while it waits.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    return true;
}

inline HWND Hwnd(WindowId window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

inline WindowId IdOf(HWND window) {
    return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(window));
}

class Notepad {
public:
    explicit Notepad(WindowSystem& windows) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        wchar_t commandLine[] = L"notepad.exe";
        if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_))
            return;
        WaitForInputIdle(process_.hProcess, 10000);
        WaitUntil([&] {
            for (const WindowId window : windows.TopLevelWindows()) {
                DWORD owner = 0;
                GetWindowThreadProcessId(Hwnd(window), &owner);
                if (owner == process_.dwProcessId &&
                    windows.Title(window).find(u"Notepad") != std::u16string::npos) {
                    window_ = window;
                    return true;
                }
            }
            return false;
        });
    }
    ~Notepad() {
        if (process_.hProcess == nullptr)
            return;
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Notepad(const Notepad&) = delete;
    Notepad& operator=(const Notepad&) = delete;

    WindowId Window() const { return window_; }

    // What the operator sees in notepad's editing area.
    std::wstring Text() const {
        const HWND edit = FindWindowExW(Hwnd(window_), nullptr, L"Edit", nullptr);
        if (edit == nullptr)
            return L"<no edit control>";
        const auto length = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const auto copied =
            SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(copied));
        return text;
    }

    // The text once it has become the expected one, or whatever it is when the wait ends:
    // keys injected now are read by notepad a moment later.
    std::wstring TextOnceItIs(const std::wstring& expected) const {
        std::wstring text;
        WaitUntil([&] {
            text = Text();
            return text == expected;
        });
        return text;
    }

private:
    PROCESS_INFORMATION process_{};
    WindowId window_ = 0;
};

// A plain top-level window of the test program itself.
class OwnWindow {
public:
    explicit OwnWindow(const wchar_t* title, DWORD exStyle = 0, HWND owner = nullptr,
                       WNDPROC procedure = DefWindowProcW) {
        static int classNumber = 0;
        className_ = L"BriskTestWindow" + std::to_wstring(++classNumber);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = className_.c_str();
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(exStyle, className_.c_str(), title, WS_OVERLAPPEDWINDOW, 100, 100,
                                  300, 200, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnWindow() {
        DestroyWindow(window_);
        UnregisterClassW(className_.c_str(), GetModuleHandleW(nullptr));
    }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;

    HWND Handle() const { return window_; }
    WindowId Id() const { return IdOf(window_); }

private:
    std::wstring className_;
    HWND window_ = nullptr;
};
