#include "app/DesktopBackends.h"

#include "platform/SessionWindows.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/portal/PortalKeyboardInjector.h"
#include "platform/wayland/ForeignToplevelWindowSystem.h"
#include "platform/wayland/VirtualKeyboardInjector.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/QtX11Display.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XTestKeyboardInjector.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>

namespace {
std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A Wayland desktop that lists no windows and has no XWayland: only Qt knows whether one of our
// own windows has the keyboard, and typing must not go there (a Return or a space would press
// our buttons). Any other window with the keyboard is one the list cannot name.
class UnlistedWindows : public X11WindowSystem {
public:
    UnlistedWindows() : X11WindowSystem(nullptr, {}) { SetOnlyX11Clients(true); }
    WindowId Foreground() override { return QApplication::activeWindow() ? Ours : 0; }
    bool IsWindow(WindowId window) override { return window == Ours; }
    bool IsVisible(WindowId window) override { return window == Ours; }
    bool IsOwnWindow(WindowId window) override { return window == Ours; }
    void Beep() override { QApplication::beep(); }

private:
    static constexpr WindowId Ours = 1;
};
} // namespace

struct DesktopBackends::Parts {
    std::unique_ptr<WaylandConnection> wayland;
    // Reads the compositor's events as they come: a client that lets them pile up is dropped.
    std::unique_ptr<QSocketNotifier> waylandEvents;
    std::unique_ptr<X11WindowSystem> x11Windows;
    std::unique_ptr<WindowSystem> desktopWindows; // the compositor's list, when it has one
    std::unique_ptr<WindowSystem> sessionWindows;
    std::unique_ptr<KeyboardInjector> keyboard;
};

DesktopFacts DesktopBackends::Environment() {
    DesktopFacts facts;
    facts.sessionType = Variable("XDG_SESSION_TYPE");
    facts.waylandDisplay = Variable("WAYLAND_DISPLAY");
    facts.x11Display = Variable("DISPLAY");
    facts.desktop = Variable("XDG_CURRENT_DESKTOP");
    return facts;
}

void DesktopBackends::ChooseQtPlatform(const DesktopFacts& facts) {
    if (facts.Wayland() && !facts.x11Display.empty() &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // The fields a reading changes are a few thousand bytes of pixels. Sent over the socket they
    // cost less than through shared memory, where every repaint first waits a round trip for the
    // server to be done with the one before.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

DesktopBackends::DesktopBackends(DesktopFacts facts, std::function<bool(WindowId)> isOwnX11Window,
                                 std::function<bool(const std::u16string&)> isOwnTitle)
    : parts_(std::make_unique<Parts>()) {
    Parts& p = *parts_;
    // Only what Qt itself reaches counts as our X display (QT_QPA_PLATFORM may say wayland).
    Display* display = QtX11Display();
    if (display == nullptr)
        facts.x11Display.clear();
    if (facts.Wayland()) {
        p.wayland = std::make_unique<WaylandConnection>();
        if (p.wayland->Open()) {
            facts.virtualKeyboard = p.wayland->HasVirtualKeyboard();
            facts.toplevelList = p.wayland->HasToplevelList();
            p.waylandEvents =
                std::make_unique<QSocketNotifier>(p.wayland->Fd(), QSocketNotifier::Read);
            QObject::connect(p.waylandEvents.get(), &QSocketNotifier::activated, [&p] {
                // A lost connection stays readable: stop listening to it.
                if (!p.wayland->DispatchArrived())
                    p.waylandEvents->setEnabled(false);
            });
        }
        // The session bus is asked only where the compositor cannot type for us itself.
        if (!(facts.virtualKeyboard && facts.toplevelList)) {
            facts.remoteDesktopPortal = PortalKeyboardInjector::PortalVersion() > 0;
            facts.kwinScripting = facts.remoteDesktopPortal && KWinWindowSystem::Available();
        }
    }
    choice_ = ChooseDesktop(facts);
    std::fprintf(stderr, "Tapline Brisk: %s\n", choice_.reason.c_str());

    if (choice_.windows == WindowListPath::None && display == nullptr)
        p.x11Windows = std::make_unique<UnlistedWindows>();
    else
        p.x11Windows = std::make_unique<X11WindowSystem>(display, std::move(isOwnX11Window));
    const auto beep = [] { QApplication::beep(); };
    switch (choice_.windows) {
    case WindowListPath::X11:
        break;
    case WindowListPath::X11ClientsOnly:
    case WindowListPath::None:
        p.x11Windows->SetOnlyX11Clients(true);
        break;
    case WindowListPath::Toplevels:
        p.desktopWindows = std::make_unique<ForeignToplevelWindowSystem>(
            *p.wayland,
            [isOwnTitle](const std::u16string& title, const std::string&) {
                return isOwnTitle(title);
            },
            beep);
        break;
    case WindowListPath::KWin:
        p.desktopWindows = std::make_unique<KWinWindowSystem>(isOwnTitle, beep);
        break;
    }
    if (p.desktopWindows) {
        p.sessionWindows = std::make_unique<SessionWindows>(
            *p.desktopWindows, display != nullptr ? p.x11Windows.get() : nullptr);
        windows_ = p.sessionWindows.get();
    } else {
        windows_ = p.x11Windows.get();
    }

    switch (choice_.typing) {
    case TypingPath::VirtualKeyboard:
        p.keyboard = std::make_unique<VirtualKeyboardInjector>(*p.wayland);
        break;
    case TypingPath::Portal:
        p.keyboard = std::make_unique<PortalKeyboardInjector>();
        break;
    case TypingPath::XTest:
        p.keyboard = std::make_unique<XTestKeyboardInjector>(display);
        break;
    case TypingPath::None:
        // Not available: every reading meant for an application beeps.
        p.keyboard = std::make_unique<XTestKeyboardInjector>(nullptr);
        break;
    }
    keyboard_ = p.keyboard.get();
}

DesktopBackends::~DesktopBackends() = default;
