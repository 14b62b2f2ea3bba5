#include "platform/portal/PortalParent.h"

#include <QGuiApplication>
#include <QWindow>

QString PortalParentWindow() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    QWindow* window = QGuiApplication::focusWindow();
    // A menu or a dialog belongs to the window it was opened from.
    while (window && window->transientParent())
        window = window->transientParent();
    if (!window) {
        for (QWindow* shown : QGuiApplication::topLevelWindows()) {
            if (shown->isVisible() && shown->type() == Qt::Window) {
                window = shown;
                break;
            }
        }
    }
    return window ? QStringLiteral("x11:%1").arg(window->winId(), 0, 16) : QString();
}
