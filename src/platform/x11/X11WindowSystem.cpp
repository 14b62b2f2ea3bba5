#include "platform/x11/X11WindowSystem.h"

#include <QString>

#include "platform/x11/XErrorTrap.h"
#include "platform/x11/XProperty.h"
#include "platform/x11/XcbProperty.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <thread>

namespace {

constexpr long SourcePager = 2; // EWMH source indication: a pager or taskbar, always obeyed
constexpr int MaxFrameDepth = 4;
constexpr long TitleUnits = 256; // 1024 bytes: more than 99 UTF-16 units of any UTF-8 text
// WM_STATE's states (ICCCM).
constexpr std::uint32_t WmStateWithdrawn = 0, WmStateIconic = 3;
// The focus that follows the pointer (PointerRoot).
constexpr std::uint32_t PointerRootFocus = 1;

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
    XcbConnection connection(xcb_connect(DisplayString(display_), nullptr));
    if (xcb_connection_has_error(connection.get())) {
        std::fprintf(stderr,
                     "Tapline Brisk: no second connection to the X server %s: the "
                     "program cannot see other windows\n",
                     DisplayString(display_));
        return;
    }
    conn_ = connection.release();
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
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
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i)
        cookies[i] =
            xcb_intern_atom(conn_, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
    XId atoms[std::size(names)] = {};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const XcbReply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(conn_, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : XId{XCB_ATOM_NONE};
    }
    atoms_ = {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4], atoms[5],
              atoms[6], atoms[7], atoms[8], atoms[9], atoms[10]};
}

X11WindowSystem::~X11WindowSystem() {
    XcbConnection closed(conn_);
}

void X11WindowSystem::TakeEvents() {
    // Only the verified manager's check window is watched; errors of requests without a reply
    // (a watch asked for on a window that had just gone) are dropped here too.
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(conn_)) {
        const XcbReply<xcb_generic_event_t> owned(event);
        if ((event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == supportedBy_)
            supportedBy_ = 0;
    }
}

bool X11WindowSystem::WindowManagerSupports(XId hint) {
    XcbProperty check(conn_, root_, atoms_.supportingWmCheck, XCB_ATOM_WINDOW, 32, 1);
    return WindowManagerSupports(check, hint);
}

bool X11WindowSystem::WindowManagerSupports(XcbProperty& rootCheck, XId hint) {
    if (!rootCheck.Valid() || rootCheck.Count() < 1)
        return false;
    // Every event sent before the reply has come with it: a manager that has ended since it was
    // verified is known to have ended now.
    TakeEvents();
    // The check window goes with the window manager, so a hint list left behind on the root by
    // one that has ended is not trusted.
    const XId wmWindow = rootCheck.Item(0);
    if (wmWindow != supportedBy_) {
        supportedBy_ = 0;
        const std::uint32_t watch = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_, wmWindow, XCB_CW_EVENT_MASK, &watch);
        XcbProperty selfCheck(conn_, wmWindow, atoms_.supportingWmCheck, XCB_ATOM_WINDOW, 32, 1);
        XcbProperty supported(conn_, root_, atoms_.supported, XCB_ATOM_ATOM, 32, 4096);
        if (!selfCheck.Valid() || selfCheck.Count() < 1 || selfCheck.Item(0) != wmWindow)
            return false;
        supported_.clear();
        for (std::size_t i = 0; i < supported.Count(); ++i)
            supported_.push_back(supported.Item(i));
        supportedBy_ = wmWindow;
    }
    return std::find(supported_.begin(), supported_.end(), hint) != supported_.end();
}

X11WindowSystem::XId X11WindowSystem::FindWmStateChild(XId window, int depth) {
    XcbProperty state(conn_, window, atoms_.wmState, atoms_.wmState, 32, 2);
    const xcb_query_tree_cookie_t tree = xcb_query_tree(conn_, window);
    if (state.Valid()) {
        xcb_discard_reply(conn_, tree.sequence);
        return window;
    }
    const XcbReply<xcb_query_tree_reply_t> children(xcb_query_tree_reply(conn_, tree, nullptr));
    if (depth == 0 || !children)
        return XCB_WINDOW_NONE;
    const xcb_window_t* child = xcb_query_tree_children(children.get());
    for (int i = xcb_query_tree_children_length(children.get()); i-- > 0;) {
        if (const xcb_window_t client = FindWmStateChild(child[i], depth - 1))
            return client;
    }
    return XCB_WINDOW_NONE;
}

X11WindowSystem::XId X11WindowSystem::ClientOf(XId topLevel) {
    const xcb_window_t client = FindWmStateChild(topLevel, MaxFrameDepth);
    return client != XCB_WINDOW_NONE ? client : topLevel;
}

std::vector<WindowId> X11WindowSystem::TopLevelWindows() {
    std::vector<WindowId> windows;
    if (conn_ == nullptr)
        return windows;
    XcbProperty check(conn_, root_, atoms_.supportingWmCheck, XCB_ATOM_WINDOW, 32, 1);
    XcbProperty list(conn_, root_, atoms_.clientListStacking, XCB_ATOM_WINDOW, 32, 65536);
    if (WindowManagerSupports(check, atoms_.clientListStacking) && list.Valid()) {
        for (std::size_t i = list.Count(); i-- > 0;) // bottom to top on the root
            windows.push_back(list.Item(i));
        return windows;
    }
    const XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root_), nullptr));
    if (!tree)
        return windows;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> asked;
    for (int i = 0; i < count; ++i)
        asked.push_back(xcb_get_window_attributes(conn_, children[i]));
    std::vector<xcb_window_t> applications;
    for (int i = count; i-- > 0;) {
        const XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(conn_, asked[static_cast<std::size_t>(i)], nullptr));
        // Gone meanwhile; menus, tooltips and input-only helpers are no application windows.
        if (!attributes || attributes->override_redirect ||
            attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        applications.push_back(children[i]);
    }
    for (const xcb_window_t window : applications)
        windows.push_back(ClientOf(window));
    return windows;
}

// The requests that tell whether a window is there, shown and minimised, sent when it is made;
// Answer waits for their replies (one round trip for all three).
class X11WindowSystem::PresenceQuestion {
public:
    PresenceQuestion(X11WindowSystem& windows, XId window)
        : windows_(windows), window_(window),
          state_(windows.conn_, window, windows.atoms_.wmState, windows.atoms_.wmState, 32, 2),
          netState_(windows.conn_, window, windows.atoms_.wmStateHints, XCB_ATOM_ATOM, 32, 64) {
        if (windows.conn_ != nullptr && window != XCB_WINDOW_NONE) {
            attributes_ = xcb_get_window_attributes(windows.conn_, window);
            asked_ = true;
        }
    }
    ~PresenceQuestion() {
        if (asked_)
            xcb_discard_reply(windows_.conn_, attributes_.sequence);
    }
    PresenceQuestion(const PresenceQuestion&) = delete;
    PresenceQuestion& operator=(const PresenceQuestion&) = delete;

    XId Window() const { return window_; }

    Presence Answer() {
        if (!asked_)
            return {};
        asked_ = false;
        const XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(windows_.conn_, attributes_, nullptr));
        Presence presence;
        presence.exists = state_.WindowExists();
        if (!presence.exists || !attributes)
            return {};
        const bool hasState = state_.Valid() && state_.Count() >= 1;
        if (hasState && state_.Item(0) == WmStateIconic) {
            presence.minimised = true;
        } else if (!(hasState && state_.Item(0) == WmStateWithdrawn)) {
            // A window closed by its program is not minimised, whatever hints are left on it.
            for (std::size_t i = 0; i < netState_.Count(); ++i)
                presence.minimised =
                    presence.minimised || netState_.Item(i) == windows_.atoms_.hidden;
        }
        presence.visible = attributes->map_state == XCB_MAP_STATE_VIEWABLE || presence.minimised;
        return presence;
    }

private:
    X11WindowSystem& windows_;
    XId window_;
    XcbProperty state_, netState_;
    xcb_get_window_attributes_cookie_t attributes_{};
    bool asked_ = false;
};

WindowSystem::Presence X11WindowSystem::PresenceOf(WindowId window) {
    if (conn_ == nullptr || window == 0)
        return {};
    return PresenceQuestion(*this, static_cast<XId>(window)).Answer();
}

bool X11WindowSystem::IsWindow(WindowId window) {
    if (conn_ == nullptr || window == 0)
        return false;
    // Reading nothing of a property is one round trip, and fails only for a window that is
    // not there.
    XcbProperty any(conn_, static_cast<xcb_window_t>(window), atoms_.wmState, XCB_ATOM_ANY, 0, 0);
    return any.WindowExists();
}

bool X11WindowSystem::IsVisible(WindowId window) {
    return PresenceOf(window).visible;
}

bool X11WindowSystem::IsMinimised(WindowId window) {
    return PresenceOf(window).minimised;
}

std::u16string X11WindowSystem::Utf8Title(XId window) {
    XcbProperty name(conn_, window, atoms_.wmName, atoms_.utf8String, 8, TitleUnits);
    if (!name.Valid())
        return {};
    return CutTitle(QString::fromUtf8(name.Bytes()));
}

std::u16string X11WindowSystem::WmNameTitle(XId window) {
    // Xlib knows the old encodings of WM_NAME (compound text among them).
    XErrorTrap trap(display_);
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
    if (conn_ == nullptr || window == 0)
        return {};
    std::u16string title = Utf8Title(static_cast<XId>(window));
    if (title.empty())
        title = WmNameTitle(window);
    return title;
}

void X11WindowSystem::SendToRoot(XId window, XId type, long l0, long l1, long l2) {
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
    if (conn_ == nullptr || window == 0)
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

X11WindowSystem::XId X11WindowSystem::RootChildOf(XId window) {
    for (;;) {
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(conn_, xcb_query_tree(conn_, window), nullptr));
        if (!tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == root_ || tree->parent == XCB_WINDOW_NONE)
            return window;
        window = tree->parent;
    }
}

X11WindowSystem::XId X11WindowSystem::FocusWindow() {
    const XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    if (!focus || focus->focus == PointerRootFocus || focus->focus == root_)
        return XCB_WINDOW_NONE;
    return focus->focus;
}

bool X11WindowSystem::HoldsKeyboard(XId topLevel) {
    const XId focus = FocusWindow();
    if (focus == XCB_WINDOW_NONE)
        return false;
    // Under a window manager both sit in the same frame.
    return RootChildOf(focus) == topLevel;
}

void X11WindowSystem::Activate(WindowId window) {
    if (conn_ == nullptr || window == 0)
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
    if (conn_ == nullptr || window == 0)
        return false;
    // The window manager hands the keyboard over when it gets to it; keys typed before that
    // would go to the window that had it. Ask the server itself, not the manager's hints.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    const XId top = RootChildOf(static_cast<XId>(window));
    if (top == XCB_WINDOW_NONE)
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
    if (conn_ == nullptr || window == 0)
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
    return LookAtForeground(nullptr);
}

WindowId X11WindowSystem::ForegroundPresence(Presence& presence) {
    return LookAtForeground(&presence);
}

WindowId X11WindowSystem::LookAtForeground(Presence* presence) {
    if (presence != nullptr)
        *presence = {};
    if (conn_ == nullptr)
        return 0;
    // Asked at once: the active window, the manager's check window, and (when wanted) how the
    // window that was active last time is, for it most likely still is. While the verified
    // manager lives and the active window stays, one round trip.
    XcbProperty check(conn_, root_, atoms_.supportingWmCheck, XCB_ATOM_WINDOW, 32, 1);
    XcbProperty active(conn_, root_, atoms_.activeWindow, XCB_ATOM_WINDOW, 32, 1);
    std::optional<PresenceQuestion> guess;
    if (presence != nullptr && lastForeground_ != XCB_WINDOW_NONE)
        guess.emplace(*this, lastForeground_);
    XId window = XCB_WINDOW_NONE;
    if (WindowManagerSupports(check, atoms_.activeWindow) && active.Valid()) {
        window = active.Count() >= 1 ? active.Item(0) : XId{XCB_WINDOW_NONE};
    } else if (const XId focus = FocusWindow(); focus != XCB_WINDOW_NONE) {
        // The focus may sit in a child of the application window.
        const XId top = RootChildOf(focus);
        window = top != XCB_WINDOW_NONE ? ClientOf(top) : XId{XCB_WINDOW_NONE};
    }
    lastForeground_ = window;
    if (presence != nullptr && window != XCB_WINDOW_NONE)
        *presence = guess && window == guess->Window() ? guess->Answer() : PresenceOf(window);
    return window;
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
