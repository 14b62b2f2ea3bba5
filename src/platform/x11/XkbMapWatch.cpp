#include "platform/x11/XkbMapWatch.h"

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

bool XkbMapWatch::ReadState(XkbStateRec& state, bool& mapChanged) {
    if (!connection_)
        return false;
    Display* d = connection_.get();
    if (XkbGetState(d, XkbUseCoreKbd, &state) != Success)
        return false;
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
