#include "platform/SkipTaskbar.h"

#include <QWidget>

#include <windows.h>

namespace {

// A window that is never shown. A top-level window it owns gets a taskbar button only while it
// has the style WS_EX_APPWINDOW, which this switch adds and removes.
HWND HiddenOwner() {
    static const HWND owner =
        CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    return owner;
}

} // namespace

void SetSkipTaskbar(QWidget* window, bool skip) {
    if (window == nullptr)
        return;
    const HWND hwnd = reinterpret_cast<HWND>(window->winId());
    const HWND owner = HiddenOwner();
    if (owner != nullptr && GetWindow(hwnd, GW_OWNER) != owner)
        SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    const LONG_PTR wanted =
        skip ? style & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW) : style | WS_EX_APPWINDOW;
    if (wanted == style)
        return;
    // The taskbar looks at the style when a window is shown.
    const bool shown = IsWindowVisible(hwnd) != FALSE;
    if (shown)
        ShowWindow(hwnd, SW_HIDE);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, wanted);
    if (shown)
        ShowWindow(hwnd, SW_SHOWNA);
}
