#include "platform/x11/X11WindowSystem.h"

#include <QString>

#include "platform/x11/XErrorTrap.h"
#include "platform/x11/XProperty.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

namespace {

constexpr long SourcePager = 2; // EWMH source indication: a pager or taskbar, always obeyed
constexpr int MaxFrameDepth = 4;
constexpr long TitleUnits = 256; // 1024 bytes: more than 99 UTF-16 units of any UTF-8 text

std::u16string CutTitle(const QString& title) {
    std::u16string text = title.toStdU16String();
    if (text.size() > WindowSystem::MaxTitleLength)
        text.resize(WindowSystem::MaxTitleLength);
    return text;
}

} // namespace

X11WindowSystem::X11WindowSystem(Display* display, std::function<bool(WindowId)> isOwnWindow)
    : display_(display), isOwnWindow_(std::move(isOwnWindow)) {
    if (display_ == nullptr)
        return;
    root_ = DefaultRootWindow(display_);
    const char* names[] = {"_NET_SUPPORTING_WM_CHECK",
                           "_NET_SUPPORTED",
                           "_NET_CLIENT_LIST_STACKING",
                           "_NET_ACTIVE_WINDOW",
                           "_NET_RESTACK_WINDOW",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "WM_STATE",
                           "_NET_WM_STATE",
                           "_NET_WM_STATE_HIDDEN",
                           PortMessageAtom};
    Atom atoms[std::size(names)] = {};
    XInternAtoms(display_, const_cast<char**>(names), static_cast<int>(std::size(names)), False,
                 atoms);
    atoms_ = {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4], atoms[5],
              atoms[6], atoms[7], atoms[8], atoms[9], atoms[10]};
}

bool X11WindowSystem::WindowManagerSupports(Atom hint) {
    // The check window goes with the window manager, so a hint list left behind on the root by
    // one that has ended is not trusted.
    const XProperty check(display_, root_, atoms_.supportingWmCheck, XA_WINDOW, 32, 1);
    if (!check.Valid() || check.Count() < 1)
        return false;
    const Window wmWindow = check.Item(0);
    const XProperty selfCheck(display_, wmWindow, atoms_.supportingWmCheck, XA_WINDOW, 32, 1);
    if (!selfCheck.Valid() || selfCheck.Count() < 1 || selfCheck.Item(0) != wmWindow)
        return false;
    if (wmWindow != supportedBy_) {
        const XProperty supported(display_, root_, atoms_.supported, XA_ATOM, 32, 4096);
        supported_.clear();
        for (std::size_t i = 0; i < supported.Count(); ++i)
            supported_.push_back(supported.Item(i));
        supportedBy_ = wmWindow;
    }
    return std::find(supported_.begin(), supported_.end(), hint) != supported_.end();
}

bool X11WindowSystem::HasWmState(Window window) {
    const XProperty state(display_, window, atoms_.wmState, atoms_.wmState, 32, 2);
    return state.Valid();
}

Window X11WindowSystem::FindWmStateChild(Window window, int depth) {
    if (HasWmState(window))
        return window;
    if (depth == 0)
        return None;
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, window, &rootReturn, &parent, &children, &count) == 0)
        return None;
    const std::unique_ptr<Window, XFreeDeleter> owned(children);
    for (unsigned i = count; i-- > 0;) {
        if (const Window client = FindWmStateChild(children[i], depth - 1))
            return client;
    }
    return None;
}

Window X11WindowSystem::ClientOf(Window topLevel) {
    const Window client = FindWmStateChild(topLevel, MaxFrameDepth);
    return client != None ? client : topLevel;
}

std::vector<WindowId> X11WindowSystem::TopLevelWindows() {
    std::vector<WindowId> windows;
    if (display_ == nullptr)
        return windows;
    XErrorTrap trap(display_);
    if (WindowManagerSupports(atoms_.clientListStacking)) {
        const XProperty list(display_, root_, atoms_.clientListStacking, XA_WINDOW, 32, 65536);
        if (list.Valid()) {
            for (std::size_t i = list.Count(); i-- > 0;) // bottom to top on the root
                windows.push_back(list.Item(i));
            return windows;
        }
    }
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, root_, &rootReturn, &parent, &children, &count) == 0)
        return windows;
    const std::unique_ptr<Window, XFreeDeleter> owned(children);
    for (unsigned i = count; i-- > 0;) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, children[i], &attributes) == 0)
            continue; // gone meanwhile
        // Menus, tooltips and input-only helpers are no application windows.
        if (attributes.override_redirect || attributes.c_class == InputOnly)
            continue;
        windows.push_back(ClientOf(children[i]));
    }
    return windows;
}

bool X11WindowSystem::IsWindow(WindowId window) {
    if (display_ == nullptr || window == 0)
        return false;
    XErrorTrap trap(display_);
    // Reading nothing of a property is one round trip, and fails only for a window that is
    // not there (window attributes take two).
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display_, window, atoms_.wmState, 0, 0, False,
                                          AnyPropertyType, &type, &format, &count, &after, &data);
    const std::unique_ptr<unsigned char, XFreeDeleter> owned(data);
    return status == Success;
}

bool X11WindowSystem::IsVisible(WindowId window) {
    if (display_ == nullptr || window == 0)
        return false;
    XErrorTrap trap(display_);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window, &attributes) == 0)
        return false;
    return attributes.map_state == IsViewable || IsMinimised(window);
}

bool X11WindowSystem::IsMinimised(WindowId window) {
    if (display_ == nullptr || window == 0)
        return false;
    XErrorTrap trap(display_);
    const XProperty state(display_, window, atoms_.wmState, atoms_.wmState, 32, 2);
    if (state.Valid() && state.Count() >= 1) {
        if (state.Item(0) == IconicState)
            return true;
        if (state.Item(0) == WithdrawnState)
            return false; // closed by its program, whatever hints are left on it
    }
    const XProperty netState(display_, window, atoms_.wmStateHints, XA_ATOM, 32, 64);
    for (std::size_t i = 0; i < netState.Count(); ++i) {
        if (netState.Item(i) == atoms_.hidden)
            return true;
    }
    return false;
}

std::u16string X11WindowSystem::Utf8Title(Window window) {
    const XProperty name(display_, window, atoms_.wmName, atoms_.utf8String, 8, TitleUnits);
    if (!name.Valid())
        return {};
    return CutTitle(QString::fromUtf8(name.Bytes()));
}

std::u16string X11WindowSystem::WmNameTitle(Window window) {
    XTextProperty property{};
    if (XGetWMName(display_, window, &property) == 0)
        return {};
    const std::unique_ptr<unsigned char, XFreeDeleter> value(property.value);
    if (property.value == nullptr || property.format != 8 || property.nitems == 0)
        return {};
    char** list = nullptr;
    int count = 0;
    const int status = Xutf8TextPropertyToTextList(display_, &property, &list, &count);
    const XTextList owned(list);
    // Success, or the count of characters that had no UTF-8 form.
    if (status < Success || count < 1 || list[0] == nullptr)
        return {};
    return CutTitle(QString::fromUtf8(list[0]));
}

std::u16string X11WindowSystem::Title(WindowId window) {
    if (display_ == nullptr || window == 0)
        return {};
    XErrorTrap trap(display_);
    std::u16string title = Utf8Title(window);
    if (title.empty())
        title = WmNameTitle(window);
    return title;
}

void X11WindowSystem::SendToRoot(Window window, Atom type, long l0, long l1, long l2) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}

void X11WindowSystem::Restore(WindowId window) {
    if (display_ == nullptr || window == 0)
        return;
    XErrorTrap trap(display_);
    // Window managers bring a minimised window back when it is activated.
    if (WindowManagerSupports(atoms_.activeWindow)) {
        SendToRoot(window, atoms_.activeWindow, SourcePager, CurrentTime, None);
        return;
    }
    XMapWindow(display_, window);
    XFlush(display_);
}

Window X11WindowSystem::RootChildOf(Window window) {
    for (;;) {
        Window rootReturn = None, parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &rootReturn, &parent, &children, &count) == 0)
            return None;
        const std::unique_ptr<Window, XFreeDeleter> owned(children);
        if (parent == root_ || parent == None)
            return window;
        window = parent;
    }
}

bool X11WindowSystem::HoldsKeyboard(Window topLevel) {
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display_, &focus, &revertTo);
    if (focus == None || focus == PointerRoot || focus == root_)
        return false;
    // Under a window manager both sit in the same frame.
    return RootChildOf(focus) == topLevel;
}

void X11WindowSystem::Activate(WindowId window) {
    if (display_ == nullptr || window == 0)
        return;
    XErrorTrap trap(display_);
    if (WindowManagerSupports(atoms_.activeWindow)) {
        SendToRoot(window, atoms_.activeWindow, SourcePager, CurrentTime, None);
    } else {
        XMapRaised(display_, window);
        XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    }
    XFlush(display_);
}

bool X11WindowSystem::WaitForKeyboard(WindowId window, int limitMs) {
    if (display_ == nullptr || window == 0)
        return false;
    XErrorTrap trap(display_);
    // The window manager hands the keyboard over when it gets to it; keys typed before that
    // would go to the window that had it. Ask the server itself, not the manager's hints.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    const Window top = RootChildOf(window);
    if (top == None)
        return false; // closed meanwhile
    while (!HoldsKeyboard(top)) {
        if (std::chrono::steady_clock::now() >= limit)
            return false;
        // Window managers hand the keyboard over within a millisecond or so: look often.
        std::this_thread::sleep_for(std::chrono::microseconds(250));
    }
    return true;
}

void X11WindowSystem::Raise(WindowId window) {
    if (display_ == nullptr || window == 0)
        return;
    XErrorTrap trap(display_);
    if (WindowManagerSupports(atoms_.restackWindow)) {
        SendToRoot(window, atoms_.restackWindow, SourcePager, None, Above);
        return;
    }
    XRaiseWindow(display_, window);
    XFlush(display_);
}

WindowId X11WindowSystem::Foreground() {
    if (display_ == nullptr)
        return 0;
    XErrorTrap trap(display_);
    if (WindowManagerSupports(atoms_.activeWindow)) {
        const XProperty active(display_, root_, atoms_.activeWindow, XA_WINDOW, 32, 1);
        if (active.Valid())
            return active.Count() >= 1 ? active.Item(0) : 0;
    }
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display_, &focus, &revertTo);
    if (focus == None || focus == PointerRoot || focus == root_)
        return 0;
    // The focus may sit in a child of the application window.
    const Window top = RootChildOf(focus);
    return top != None ? ClientOf(top) : 0;
}

bool X11WindowSystem::IsOwnWindow(WindowId window) {
    return window != 0 && isOwnWindow_ && isOwnWindow_(window);
}

void X11WindowSystem::PostPortMessage(WindowId window, int wParam) {
    if (display_ == nullptr || window == 0)
        return;
    XErrorTrap trap(display_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms_.portMessage;
    event.xclient.format = 32;
    event.xclient.data.l[0] = PortMessageNumber;
    event.xclient.data.l[1] = wParam;
    event.xclient.data.l[2] = 0;
    // No event mask: the message goes to the program that made the window.
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

void X11WindowSystem::Beep() {
    if (display_ == nullptr)
        return;
    XBell(display_, 0);
    XFlush(display_);
}

void X11WindowSystem::SetAlwaysOnTop(WindowId window, bool on) {
    if (display_ == nullptr || window == 0)
        return;
    XErrorTrap trap(display_);
    // The window manager keeps the state: a client message to the root asks for it (EWMH
    // _NET_WM_STATE). Qt's own stays-on-top flag would make the window anew on X11, which hides
    // and shows it.
    constexpr long Remove = 0, Add = 1, SourceApplication = 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms_.wmStateHints;
    event.xclient.format = 32;
    event.xclient.data.l[0] = on ? Add : Remove;
    event.xclient.data.l[1] =
        static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_ABOVE", False));
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = SourceApplication;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}
