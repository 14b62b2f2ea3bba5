#pragma once

#include <QString>

// The portal's name for the window its question belongs to, so that the desktop shows the
// question over it: "x11:<id>" for our X11 window (the window with the focus, else the first
// shown main window). Empty for a native Wayland window: that needs a handle exported through
// xdg_foreign for the window's surface, which Qt 6.4 gives no public access to.
QString PortalParentWindow();
