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
}

DesktopBackends::DesktopBackends(DesktopFacts facts, std::function<bool(WindowId)> isOwnX11Window,
                                 std::function<bool(const std::u16string&)> isOwnTitle) {
    // Only what Qt itself reaches counts as our X display (QT_QPA_PLATFORM may say wayland).
    Display* display = QtX11Display();
    if (display == nullptr)
        facts.x11Display.clear();
    if (facts.Wayland()) {
        wayland_ = std::make_unique<WaylandConnection>();
        if (wayland_->Open()) {
            facts.virtualKeyboard = wayland_->HasVirtualKeyboard();
            facts.toplevelList = wayland_->HasToplevelList();
            waylandEvents_ =
                std::make_unique<QSocketNotifier>(wayland_->Fd(), QSocketNotifier::Read);
            QObject::connect(waylandEvents_.get(), &QSocketNotifier::activated, [this] {
                // A lost connection stays readable: stop listening to it.
                if (!wayland_->DispatchArrived())
                    waylandEvents_->setEnabled(false);
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
        x11Windows_ = std::make_unique<UnlistedWindows>();
    else
        x11Windows_ = std::make_unique<X11WindowSystem>(display, std::move(isOwnX11Window));
    const auto beep = [] { QApplication::beep(); };
    switch (choice_.windows) {
    case WindowListPath::X11:
        break;
    case WindowListPath::X11ClientsOnly:
    case WindowListPath::None:
        x11Windows_->SetOnlyX11Clients(true);
        break;
    case WindowListPath::Toplevels:
        desktopWindows_ = std::make_unique<ForeignToplevelWindowSystem>(
            *wayland_,
            [isOwnTitle](const std::u16string& title, const std::string&) {
                return isOwnTitle(title);
            },
            beep);
        break;
    case WindowListPath::KWin:
        desktopWindows_ = std::make_unique<KWinWindowSystem>(isOwnTitle, beep);
        break;
    }
    if (desktopWindows_) {
        sessionWindows_ = std::make_unique<SessionWindows>(
            *desktopWindows_, display != nullptr ? x11Windows_.get() : nullptr);
        windows_ = sessionWindows_.get();
    } else {
        windows_ = x11Windows_.get();
    }

    switch (choice_.typing) {
    case TypingPath::VirtualKeyboard:
        keyboard_ = std::make_unique<VirtualKeyboardInjector>(*wayland_);
        break;
    case TypingPath::Portal:
        keyboard_ = std::make_unique<PortalKeyboardInjector>();
        break;
    case TypingPath::XTest:
        keyboard_ = std::make_unique<XTestKeyboardInjector>(display);
        break;
    case TypingPath::None:
        // Not available: every reading meant for an application beeps.
        keyboard_ = std::make_unique<XTestKeyboardInjector>(nullptr);
        break;
    }
}

DesktopBackends::~DesktopBackends() = default;
