#include "platform/x11/XErrorTrap.h"

namespace {

// Xlib's handler is one per process; every window call runs on the user-interface thread.
int depth = 0;
Display* trapped = nullptr;
XErrorHandler previous = nullptr;
unsigned long errorCount = 0;

} // namespace

int XErrorTrap::Handler(Display* display, XErrorEvent* error) {
    if (display != trapped && previous != nullptr)
        return previous(display, error);
    ++errorCount;
    return 0;
}

XErrorTrap::XErrorTrap(Display* display) : display_(display), errorsBefore_(errorCount) {
    if (display_ == nullptr)
        return;
    if (depth++ == 0) {
        trapped = display_;
        previous = XSetErrorHandler(&XErrorTrap::Handler);
    }
}

XErrorTrap::~XErrorTrap() {
    if (display_ == nullptr)
        return;
    // Errors of requests without a reply arrive later; collect them while still trapped. When
    // the last request sent has had its reply, its error and those before it have come already.
    if (LastKnownRequestProcessed(display_) != NextRequest(display_) - 1)
        XSync(display_, False);
    if (--depth == 0) {
        XSetErrorHandler(previous);
        previous = nullptr;
        trapped = nullptr;
    }
}

bool XErrorTrap::Failed() {
    if (display_ == nullptr)
        return true;
    XSync(display_, False);
    return errorCount != errorsBefore_;
}
