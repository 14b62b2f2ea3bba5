// Windows: one desktop, one way to type and one window list.
#include "app/DesktopBackends.h"

#include "platform/win32/SendInputKeyboardInjector.h"
#include "platform/win32/Win32WindowSystem.h"

struct DesktopBackends::Parts {
    Win32WindowSystem windows;
    SendInputKeyboardInjector keyboard;
};

DesktopFacts DesktopBackends::Environment() {
    return {};
}

void DesktopBackends::ChooseQtPlatform(const DesktopFacts&) {}

DesktopBackends::DesktopBackends(DesktopFacts, std::function<bool(WindowId)>,
                                 std::function<bool(const std::u16string&)>)
    : parts_(std::make_unique<Parts>()) {
    choice_.reason = "Windows: keystrokes by SendInput into the window with the keyboard.";
    keyboard_ = &parts_->keyboard;
    windows_ = &parts_->windows;
}

DesktopBackends::~DesktopBackends() = default;
