#include "platform/SkipTaskbar.h"

#include <QWidget>

#include <windows.h>

#include <shobjidl.h>

namespace {

// A window that is never shown. A top-level window it owns gets a taskbar button only while it
// has the style WS_EX_APPWINDOW, which this switch adds and removes.
HWND HiddenOwner() {
    static const HWND owner =
        CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    return owner;
}

// The taskbar reads the style only when a window is shown; a window on the screen gets or loses
// its button through the taskbar's own interface, without being hidden and shown again (which
// would also move the keyboard).
void SetButton(HWND window, bool on) {
    ITaskbarList* taskbar = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                reinterpret_cast<void**>(&taskbar))))
        return;
    if (SUCCEEDED(taskbar->HrInit())) {
        if (on)
            taskbar->AddTab(window);
        else
            taskbar->DeleteTab(window);
    }
    taskbar->Release();
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
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, wanted);
    if (IsWindowVisible(hwnd))
        SetButton(hwnd, !skip);
}
