#include "platform/x11/QtX11Display.h"

#include <QGuiApplication>

Display* QtX11Display() {
#if QT_CONFIG(xcb)
    if (qGuiApp == nullptr)
        return nullptr;
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return x11->display();
#endif
    return nullptr;
}
