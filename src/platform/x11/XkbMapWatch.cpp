#include "platform/x11/XkbMapWatch.h"

#include "platform/x11/XcbProperty.h"

#include <X11/Xlib-xcb.h>
// The XKB header names a member "explicit", as C allows.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

XkbMapWatch::XkbMapWatch(Display* display) {
    if (display == nullptr)
        return;
    XDisplayConnection connection(XOpenDisplay(DisplayString(display)));
    int opcode = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!connection ||
        !XkbQueryExtension(connection.get(), &opcode, &eventBase_, &errorBase, &major, &minor))
        return;
    constexpr unsigned long notices = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    if (!XkbSelectEvents(connection.get(), XkbUseCoreKbd, notices, notices))
        return;
    connection_ = std::move(connection);
}

void XkbMapWatch::AskState() {
    if (!connection_)
        return;
    xcb_connection_t* c = XGetXCBConnection(connection_.get());
    if (asked_)
        xcb_discard_reply(c, askedSequence_);
    askedSequence_ = xcb_xkb_get_state(c, XCB_XKB_ID_USE_CORE_KBD).sequence;
    xcb_flush(c);
    asked_ = true;
    askedAt_ = std::chrono::steady_clock::now();
}

bool XkbMapWatch::ReadState(XkbStateRec& state, bool& mapChanged) {
    if (!connection_)
        return false;
    Display* d = connection_.get();
    xcb_connection_t* c = XGetXCBConnection(d);
    if (asked_ &&
        std::chrono::steady_clock::now() - askedAt_ > std::chrono::milliseconds(StateFreshMs)) {
        xcb_discard_reply(c, askedSequence_); // too old to count as the state of now
        asked_ = false;
    }
    if (!asked_)
        AskState();
    asked_ = false;
    const XcbReply<xcb_xkb_get_state_reply_t> reply(
        xcb_xkb_get_state_reply(c, xcb_xkb_get_state_cookie_t{askedSequence_}, nullptr));
    if (!reply)
        return false;
    state = XkbStateRec{};
    state.group = reply->group;
    state.locked_group = reply->lockedGroup;
    state.base_group = static_cast<unsigned short>(reply->baseGroup);
    state.latched_group = static_cast<unsigned short>(reply->latchedGroup);
    state.mods = reply->mods;
    state.base_mods = reply->baseMods;
    state.latched_mods = reply->latchedMods;
    state.locked_mods = reply->lockedMods;
    state.compat_state = reply->compatState;
    state.grab_mods = reply->grabMods;
    state.compat_grab_mods = reply->compatGrabMods;
    state.lookup_mods = reply->lookupMods;
    state.compat_lookup_mods = reply->compatLookupMods;
    state.ptr_buttons = reply->ptrBtnState;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == eventBase_)
            changed_ = true; // the only notices selected are those of a changed map
    }
    mapChanged = changed_;
    changed_ = false;
    return true;
}
