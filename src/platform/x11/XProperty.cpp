#include "platform/x11/XProperty.h"

XProperty::XProperty(Display* display, Window window, Atom property, Atom expectedType,
                     int expectedFormat, long maxUnits) {
    if (display == nullptr || window == None)
        return;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, maxUnits, False,
                                          expectedType, &type, &format, &count, &after, &data);
    std::unique_ptr<unsigned char, XFreeDeleter> owned(data);
    if (status != Success || type != expectedType || format != expectedFormat || !owned)
        return;
    data_ = std::move(owned);
    count_ = count;
}
