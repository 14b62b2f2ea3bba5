#pragma once

#include "platform/DesktopSession.h"
#include "platform/KeyboardInjector.h"
#include "platform/WindowSystem.h"

#include <functional>
#include <memory>

// The keyboard and the window list of the desktop the program runs in, chosen once at start
// from the session and what its compositor and session bus offer.
class DesktopBackends {
public:
    // The session as the environment describes it.
    static DesktopFacts Environment();
    // Before the application object exists: in a Wayland session with XWayland the program's
    // own windows stay X11 clients (their placement, the taskbar hint of tray mode and the test
    // program's messages are X11 features), unless the user chose a Qt platform. Repaints on
    // X11 go over the socket, not through shared memory.
    static void ChooseQtPlatform(const DesktopFacts& facts);

    // After the application object exists: probes the compositor and the session bus, chooses,
    // and says on standard error what was chosen and why. isOwnX11Window and isOwnTitle tell the
    // program's own windows apart.
    DesktopBackends(DesktopFacts facts, std::function<bool(WindowId)> isOwnX11Window,
                    std::function<bool(const std::u16string&)> isOwnTitle);
    ~DesktopBackends();
    DesktopBackends(const DesktopBackends&) = delete;
    DesktopBackends& operator=(const DesktopBackends&) = delete;

    KeyboardInjector& Keyboard() { return *keyboard_; }
    WindowSystem& Windows() { return *windows_; }
    const DesktopChoice& Choice() const { return choice_; }

private:
    // The connections and services of the platform, as its own source file defines them.
    struct Parts;
    std::unique_ptr<Parts> parts_;
    DesktopChoice choice_;
    KeyboardInjector* keyboard_ = nullptr;
    WindowSystem* windows_ = nullptr;
};
