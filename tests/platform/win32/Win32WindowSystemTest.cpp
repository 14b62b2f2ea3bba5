#include "platform/win32/Win32WindowSystem.h"

#include "Notepad.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The windows of this test program in the list, in the list's order.
std::vector<WindowId> OwnListed(Win32WindowSystem& windows) {
    std::vector<WindowId> own;
    for (const WindowId window : windows.TopLevelWindows()) {
        if (windows.IsOwnWindow(window))
            own.push_back(window);
    }
    return own;
}

} // namespace

// The target application dialog lists, and the keystroke sender searches, the windows a user
// would call applications, topmost first.
TEST(Win32WindowSystemTest, ListsApplicationWindowsTopmostFirst) {
    Win32WindowSystem windows;
    OwnWindow lower(L"Brisk list lower");
    OwnWindow upper(L"Brisk list upper");
    OwnWindow tool(L"Brisk list tool window", WS_EX_TOOLWINDOW);
    OwnWindow owned(L"Brisk list owned dialog", 0, lower.Handle());
    OwnWindow ownedApp(L"Brisk list owned application", WS_EX_APPWINDOW, upper.Handle());
    OwnWindow untitled(L"");
    OwnWindow hidden(L"Brisk list hidden");
    for (const OwnWindow* window : {&lower, &upper, &tool, &owned, &ownedApp, &untitled})
        SetWindowPos(window->Handle(), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);

    EXPECT_EQ(OwnListed(windows), (std::vector<WindowId>{ownedApp.Id(), upper.Id(), lower.Id()}));

    SetWindowPos(lower.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(OwnListed(windows), (std::vector<WindowId>{lower.Id(), ownedApp.Id(), upper.Id()}));
}

TEST(Win32WindowSystemTest, TitlesAreCutTo99Units) {
    Win32WindowSystem windows;
    const std::wstring title = L"Brisk " + std::wstring(150, L'x');
    OwnWindow window(title.c_str());

    const std::u16string read = windows.Title(window.Id());

    EXPECT_EQ(read.size(), WindowSystem::MaxTitleLength);
    EXPECT_EQ(read.substr(0, 7), u"Brisk x");
}

// The keystroke sender's own check: typing into our own window would lose the readings.
// SetAlwaysOnTop keeps the main window above the others without making it anew.
TEST(Win32WindowSystemTest, TellsOwnWindowsAndKeepsThemOnTop) {
    Win32WindowSystem windows;
    Notepad notepad(windows);
    ASSERT_NE(notepad.Window(), 0u);
    OwnWindow own(L"Brisk own window");
    ShowWindow(own.Handle(), SW_SHOWNOACTIVATE);

    EXPECT_TRUE(windows.IsOwnWindow(own.Id()));
    EXPECT_FALSE(windows.IsOwnWindow(notepad.Window()));

    windows.SetAlwaysOnTop(own.Id(), true);
    EXPECT_NE(GetWindowLongPtrW(own.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_TRUE(IsWindowVisible(own.Handle()));
    windows.SetAlwaysOnTop(own.Id(), false);
    EXPECT_EQ(GetWindowLongPtrW(own.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

// A minimised target is brought back and given the keyboard, even while one of this program's
// windows has it.
TEST(Win32WindowSystemTest, RestoresAndActivatesMinimisedNotepad) {
    Win32WindowSystem windows;
    Notepad notepad(windows);
    ASSERT_NE(notepad.Window(), 0u);
    OwnWindow own(L"Brisk operator window");
    ShowWindow(own.Handle(), SW_SHOW);
    SetForegroundWindow(own.Handle());
    ASSERT_TRUE(WaitUntil([&] { return windows.Foreground() == own.Id(); }));
    ShowWindow(Hwnd(notepad.Window()), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return windows.IsMinimised(notepad.Window()); }));
    EXPECT_TRUE(windows.IsVisible(notepad.Window()));

    windows.Restore(notepad.Window());
    windows.Activate(notepad.Window());

    EXPECT_FALSE(windows.IsMinimised(notepad.Window()));
    EXPECT_TRUE(windows.WaitForKeyboard(notepad.Window(), 5000));
    EXPECT_EQ(windows.Foreground(), notepad.Window());
}

namespace {

UINT receivedMessage = 0;
WPARAM receivedWParam = 0;
LPARAM receivedLParam = -1;

LRESULT CALLBACK RecordPortMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP) {
        receivedMessage = message;
        receivedWParam = wParam;
        receivedLParam = lParam;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The communications test program lets go of its port on WM_APP + 101 with wParam 1003.
TEST(Win32WindowSystemTest, PostsThePortMessageTheTestProgramListensFor) {
    Win32WindowSystem windows;
    OwnWindow testProgram(L"Orvane Linescope", 0, nullptr, RecordPortMessage);

    windows.PostPortMessage(testProgram.Id(), 1003);

    ASSERT_TRUE(WaitUntil([] { return receivedMessage != 0; }));
    EXPECT_EQ(receivedMessage, 0x8065u);
    EXPECT_EQ(receivedWParam, 1003u);
    EXPECT_EQ(receivedLParam, 0);
}
