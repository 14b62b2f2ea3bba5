#pragma once

#include <X11/Xlib.h>

// While one lives, X errors caused by this program's requests on the display are counted
// instead of ending the program (Xlib's default handler exits). Windows close whenever their
// owners like, so any request on another client's window may fail with BadWindow. Traps nest;
// the handler that was there before is put back when the outermost ends. Errors of other
// displays still go to that handler.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits for the replies of every request sent so far and tells whether one of them failed
    // since the trap was set.
    bool Failed();

private:
    static int Handler(Display* display, XErrorEvent* error);

    Display* display_;
    unsigned long errorsBefore_;
};
