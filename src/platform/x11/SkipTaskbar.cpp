#include "platform/SkipTaskbar.h"

#include <QGuiApplication>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

void SetSkipTaskbar(QWidget* window, bool skip) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display || !window)
        return;
    const Window w = static_cast<Window>(window->winId());
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom skipTaskbar = XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False);

    if (window->isVisible()) {
        // A mapped window: the window manager owns the state and takes a request.
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = state;
        e.xclient.format = 32;
        e.xclient.data.l[0] = skip ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
        e.xclient.data.l[1] = static_cast<long>(skipTaskbar);
        e.xclient.data.l[3] = 1; // from an application
        XSendEvent(display, DefaultRootWindow(display), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
        // Not mapped yet: the property is read when the window is shown.
        std::vector<Atom> atoms;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, w, state, 0, 64, False, XA_ATOM, &type, &format, &count,
                               &after, &data) == Success &&
            data) {
            if (type == XA_ATOM && format == 32) {
                const auto* list = reinterpret_cast<const Atom*>(data);
                for (unsigned long i = 0; i < count; ++i)
                    if (list[i] != skipTaskbar)
                        atoms.push_back(list[i]);
            }
            XFree(data);
        }
        if (skip)
            atoms.push_back(skipTaskbar);
        XChangeProperty(display, w, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(atoms.data()),
                        static_cast<int>(atoms.size()));
    }
    XFlush(display);
}
